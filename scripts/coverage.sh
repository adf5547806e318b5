#!/usr/bin/env bash
# Line coverage of src/ by the test suite: builds the `coverage` preset, runs
# the tests, and writes an HTML report to build-coverage/coverage/index.html.
# Prints the line coverage of each area of src/ so changes can be compared.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v lcov >/dev/null || { echo "coverage: lcov is missing (scripts/install-deps.sh installs it)" >&2; exit 2; }

cmake --preset coverage >/dev/null
cmake --build build-coverage
lcov --quiet --zerocounters --directory build-coverage
ctest --preset coverage || echo "coverage: some tests failed; the report covers what ran" >&2

out=build-coverage/coverage
mkdir -p "$out"
lcov --quiet --capture --directory build-coverage --output-file "$out/all.info" --ignore-errors mismatch,negative 2>/dev/null \
  || lcov --quiet --capture --directory build-coverage --output-file "$out/all.info"
lcov --quiet --extract "$out/all.info" "$PWD/src/*" --output-file "$out/src.info"
genhtml --quiet --output-directory "$out" "$out/src.info" >/dev/null

echo "area                 lines hit / found   coverage"
for area in $(cd src && ls -d */ | tr -d /); do
  lcov --quiet --extract "$out/src.info" "$PWD/src/$area/*" --output-file "$out/$area.info" 2>/dev/null || continue
  lcov --summary "$out/$area.info" 2>&1 | awk -v a="$area" '/lines/ { gsub(/[()]/,""); printf "%-20s %8s / %-8s %s\n", a, $4, $6, $2 }'
done
lcov --summary "$out/src.info" 2>&1 | awk '/lines/ { gsub(/[()]/,""); printf "%-20s %8s / %-8s %s\n", "all of src", $4, $6, $2 }'
echo "report: $out/index.html"
