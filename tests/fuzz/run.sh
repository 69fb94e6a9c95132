#!/usr/bin/env bash
# Builds the fuzz targets (fuzz preset) and runs each for its time, starting from its committed
# seeds in tests/fuzz/corpus/ and the inputs earlier runs kept in build/fuzz/corpora/TARGET,
# after a short run from an empty corpus, which must find inputs of its own.
# Fails on any crash, leak, sanitizer report, broken check or input that takes over 10 s; the
# input that did it is saved as build/fuzz/artifacts/TARGET-*. With a target, runs only that
# one, for SECONDS (0: no limit), passing the further options to libFuzzer (e.g. -runs=N).
# Usage: tests/fuzz/run.sh [TARGET [SECONDS [LIBFUZZER-OPTION...]]]
set -euo pipefail
cd "$(dirname "$0")/../.."

# Target, seconds in CI, seed directory under tests/fuzz/corpus and dictionary under
# tests/fuzz/dict (both shared by targets that read the same format).
targets=(
  "bmp_parser_fuzz 60 bmp"
  "bmp_loader_fuzz 20 bmp"
  "script_fuzz 20 script"
  "word_file_fuzz 20 word_file"
  "numbers_fuzz 20 numbers"
  "png_decode_fuzz 60 png"
  "card_header_fuzz 20 card_header"
)

# A target must find its way from no input at all, as a corpus lost or not yet made leaves it.
from_nothing() {  # TARGET
  local empty
  empty=$(mktemp -d)
  mkdir -p build/fuzz/artifacts
  echo "== $1, from an empty corpus"
  "build/fuzz/bin/$1" -runs=2000 -timeout=10 -artifact_prefix="build/fuzz/artifacts/$1-" "$empty"
  local status=$?
  rm -rf "$empty"
  return "$status"
}

fuzz() {  # TARGET SECONDS FORMAT [LIBFUZZER-OPTION...]
  local target=$1 seconds=$2 format=$3
  shift 3
  mkdir -p "build/fuzz/corpora/$target" build/fuzz/artifacts
  echo "== $target, ${seconds} s"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "build/fuzz/bin/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -dict="tests/fuzz/dict/$format.dict" -artifact_prefix="build/fuzz/artifacts/$target-" "$@" \
      "build/fuzz/corpora/$target" "tests/fuzz/corpus/$format"
}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

failed=()
for entry in "${targets[@]}"; do
  read -r target seconds format <<<"$entry"
  if (($#)); then
    [[ $target == "$1" ]] || continue
    from_nothing "$target"
    fuzz "$target" "${2:-$seconds}" "$format" "${@:3}"
    exit
  fi
  from_nothing "$target" || failed+=("$target (from an empty corpus)")
  fuzz "$target" "$seconds" "$format" || failed+=("$target")
done
(($# == 0)) || { echo "no fuzz target '$1'" >&2; exit 2; }
if ((${#failed[@]})); then
  echo "findings in: ${failed[*]} (inputs in build/fuzz/artifacts/)" >&2
  exit 1
fi
