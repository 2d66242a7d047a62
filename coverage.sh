#!/usr/bin/env bash
# Builds with coverage into its own folder, runs every test and prints line and branch coverage
# per source folder (tests, benchmarks and fuzzers left out; branches that only throw excluded).
#   BUILD_DIR   build folder (default: build-coverage)
set -euo pipefail
cd "$(dirname "$0")"
build=${BUILD_DIR:-build-coverage}
flags="--coverage -O0"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$build" -j "$(nproc)"
find "$build" -name '*.gcda' -delete
# A failing test still leaves its counts; the table is printed either way and the status kept.
status=0
ctest --test-dir "$build" -j "$(nproc)" --output-on-failure >"$build/coverage-tests.log" || status=$?
tail -n 3 "$build/coverage-tests.log"

# gcov resolves sources from the folder each object was compiled in (a compiler cache may record
# them relative to it): one report per such folder, merged.
rm -f "$build"/coverage-*.json
find "$build" -name '*.gcda' -printf '%h\n' | sed 's#/CMakeFiles/.*##' | sort -u | while read -r folder; do
  gcovr --root . --object-directory "$folder" --exclude-throw-branches \
    --exclude 'tests/' --exclude 'bench/' --exclude 'fuzz/' --exclude '/usr/' \
    --json "$build/coverage-$(echo "$folder" | tr / -).json" "$folder" 2>/dev/null
done
summary="$build/coverage.json"
gcovr --add-tracefile "$build/coverage-*.json" --json-summary "$summary" >/dev/null
python3 - "$summary" <<'EOF'
import collections, json, os, sys

totals = collections.defaultdict(lambda: [0, 0, 0, 0])
for entry in json.load(open(sys.argv[1]))["files"]:
    folder = os.path.dirname(entry["filename"])
    # The platform's headers count with the area that implements them.
    if folder.startswith("platform/include"):
        folder = "platform/include"
    row = totals[folder]
    row[0] += entry["line_covered"]
    row[1] += entry["line_total"]
    row[2] += entry["branch_covered"]
    row[3] += entry["branch_total"]

def percent(covered, total):
    return f"{100.0 * covered / total:5.1f}%" if total else "    -"

print(f"{'folder':<32} {'lines':>16} {'branches':>16}")
everything = [0, 0, 0, 0]
for folder in sorted(totals):
    row = totals[folder]
    everything = [a + b for a, b in zip(everything, row)]
    print(f"{folder:<32} {percent(row[0], row[1])} {row[0]:>4}/{row[1]:<5} {percent(row[2], row[3])} {row[2]:>4}/{row[3]:<5}")
print(f"{'all':<32} {percent(everything[0], everything[1])} {everything[0]:>4}/{everything[1]:<5} "
      f"{percent(everything[2], everything[3])} {everything[2]:>4}/{everything[3]:<5}")
EOF
exit $status
