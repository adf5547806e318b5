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
summary() { # <label> <info file>: "lines......: 58.6% (123 of 210 lines)"
  { lcov --summary "$2" 2>&1 || true; } | awk -v a="$1" '/lines\.*:/ { gsub(/[()]/,""); printf "%-20s %8s / %-8s %s\n", a, $3, $5, $2 }'
}
for area in $(cd src && ls -d */ | tr -d /); do
  if lcov --quiet --extract "$out/src.info" "$PWD/src/$area/*" --output-file "$out/$area.info" >/dev/null 2>&1; then
    summary "$area" "$out/$area.info"
  else
    printf "%-20s %8s / %-8s %s\n" "$area" 0 "?" "not reached"
  fi
done
summary "all of src" "$out/src.info"
echo "report: $out/index.html"
