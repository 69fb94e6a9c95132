#!/usr/bin/env bash
# Builds the BMP loader fuzzer (fuzz preset) and runs it for SECONDS (default 60), starting from
# the committed seeds and the inputs earlier runs kept in build/fuzz/corpus. Exits non-zero on any
# crash, leak, sanitizer report or input that takes over 10 s; the input that did it is saved in
# build/fuzz/artifacts/.
# Usage: tests/fuzz/run.sh [SECONDS]
set -euo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/../.."

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/corpus build/fuzz/artifacts
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build/fuzz/bin/bmp_loader_fuzz -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/artifacts/ build/fuzz/corpus tests/fuzz/corpus
