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
      # No IA-32 emulation in this kernel: qemu-i386, where installed, runs the group that stays
      # in one process; the tools' group starts programs the kernel cannot run.
      echo "*** $host: this kernel cannot run its programs; the tools' group is SKIPPED" >&2
      if command -v qemu-i386 >/dev/null; then
        QUENVAR_BUILD_DIR="$host" qemu-i386 -L / "$host/tests/hosting_tests" --gtest_filter='HostedModules/LoadedQuenvarDll.*'
      else
        echo "*** and so is the in-process group: qemu-i386 (apt-get install qemu-user) is not installed" >&2
      fi
      continue
    fi
    ctest --test-dir "$host" --output-on-failure -j "$(nproc)"
  done
fi
