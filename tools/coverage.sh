#!/usr/bin/env bash
# Runs the test suite with gcc's coverage counters (coverage preset) and writes the line and
# branch coverage of src/ as an HTML report, build/coverage/report/index.html, with a summary on
# standard output. Counters from an earlier run are cleared first.
# Usage: tools/coverage.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ -d build/coverage ]]; then find build/coverage -name '*.gcda' -delete; fi
cmake --workflow --preset coverage
mkdir -p build/coverage/report
gcovr --root . --filter src/ --object-directory build/coverage --exclude-unreachable-branches \
      --exclude-throw-branches --html-details build/coverage/report/index.html --txt build/coverage/report/lines.txt \
      --print-summary
