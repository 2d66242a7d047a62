#!/usr/bin/env bash
# Builds every libFuzzer harness with clang (ASan and UBSan) into build-fuzz/ and runs each for
# SECONDS (default 60) from its seeds in fuzz/corpus/<name>/. Fails on the first finding; the
# input that found it is left in build-fuzz/findings/<name>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz

[ -f "$build/CMakeCache.txt" ] || CC=clang CXX=clang++ cmake -S . -B "$build" -DQUENVAR_FUZZ=ON \
  -DQUENVAR_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
names=()
for harness in fuzz/*Fuzzer.cpp; do
  # fuzz/TypeLibFuzzer.cpp is fuzz_typelib, its seeds are in fuzz/corpus/typelib/.
  name=$(basename "$harness" Fuzzer.cpp | tr '[:upper:]' '[:lower:]')
  names+=("$name")
done
cmake --build "$build" -j "$(nproc)" --target "${names[@]/#/fuzz_}"

for name in "${names[@]}"; do
  # New inputs go to a scratch corpus, so the seeds in the repository stay as they are.
  work="$build/corpus/$name" findings="$build/findings/$name"
  mkdir -p "$work" "$findings"
  echo "== fuzz_$name for ${seconds}s"
  if ! "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$findings/" "$work" "fuzz/corpus/$name" 2>"$build/fuzz_$name.log"; then
    tail -n 60 "$build/fuzz_$name.log"
    echo "fuzz_$name found a fault; its input is in $findings/" >&2
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$build/fuzz_$name.log" || true
done
