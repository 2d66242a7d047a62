#!/usr/bin/env bash
# Builds every libFuzzer harness with clang into build-fuzz/ and runs each for SECONDS on a copy of
# its seed corpus (fuzz/corpus/<name>/). Fails on the first finding; the input that found it is
# left in build-fuzz/findings/.
#   fuzz/run.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -DQUENVAR_FUZZ=ON -DQUENVAR_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
names=()
for source in fuzz/*Fuzzer.cpp; do
  base=$(basename "$source" Fuzzer.cpp)
  names+=("$(echo "$base" | sed -E 's/([a-z0-9])([A-Z])/\1_\2/g' | tr '[:upper:]' '[:lower:]')")
done
cmake --build "$build" -j2 --target "${names[@]/#/fuzz_}" >/dev/null

mkdir -p "$build/findings"
for name in "${names[@]}"; do
  # FUZZ_SKIP: names of harnesses not to run (space-separated).
  [[ " ${FUZZ_SKIP:-} " == *" $name "* ]] && continue
  work="$build/corpus/$name"
  rm -rf "$work" && mkdir -p "$work"
  echo "fuzz_$name: ${seconds}s" >&2
  # New inputs go to the work folder; the seeds in the repository stay as they are.
  "$build/bin/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/findings/$name-" "$work" "fuzz/corpus/$name" 2>"$build/fuzz_$name.log" || {
    tail -n 60 "$build/fuzz_$name.log" >&2
    exit 1
  }
  grep -E '^stat::number_of_executed_units' "$build/fuzz_$name.log" >&2 || true
done
echo "fuzzing: no finding in ${#names[@]} harness(es)" >&2
