#!/usr/bin/env bash
# Builds if needed and runs every test; ends with CTest's summary.
#   BUILD_DIR   build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")"
build=${BUILD_DIR:-build}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
