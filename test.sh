#!/usr/bin/env bash
# Builds if needed and runs every test; ends with CTest's summary. Without BUILD_DIR it also runs
# the end-to-end group of the host builds that ./setup.sh made (build/win64-host, build/win32-host).
#   BUILD_DIR   build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")"
build=${BUILD_DIR:-build}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
if [ -z "${BUILD_DIR:-}" ]; then
  for host in build/win64-host build/win32-host; do
    [ -f "$host/CMakeCache.txt" ] || continue
    cmake --build "$host" -j "$(nproc)" --target platform Quenvar palvex regsvr reg hosting_tests
    status=0
    "$host/bin/reg" --help >/dev/null 2>&1 || status=$?
    if [ "$status" -eq 126 ]; then
      echo "*** SKIPPED $host: this kernel cannot run its programs (no IA-32 emulation)" >&2
      continue
    fi
    ctest --test-dir "$host" --output-on-failure -j "$(nproc)"
  done
fi
