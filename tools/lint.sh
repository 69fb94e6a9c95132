#!/usr/bin/env bash
# Static analysis of the card library (src/) and the simulator (simulator/): clang-tidy with the
# checks in .clang-tidy, and cppcheck. Exits non-zero on any finding.
# Uses the compile commands of a configured build (default build/dev; configures it if missing).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/dev}
if [[ ! -f $build_dir/compile_commands.json ]]; then
  cmake --preset dev >/dev/null
  build_dir=build/dev
fi

mapfile -t sources < <(git ls-files 'src/*.cpp' 'simulator/*.cpp')

# clang-tidy parses with clang: the compile commands lose the options only GCC knows.
commands_dir=$(mktemp -d)
trap 'rm -rf "$commands_dir"' EXIT
sed -e 's/ -fvect-cost-model=[a-z]*//g' "$build_dir/compile_commands.json" \
  > "$commands_dir/compile_commands.json"

echo "clang-tidy: ${#sources[@]} files"
clang_tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
# One process per core; each file's findings are printed together.
printf '%s\n' "${sources[@]}" |
  xargs -P "$(nproc)" -n 1 "$clang_tidy" -p "$commands_dir" --quiet 2>/dev/null |
  tee "$commands_dir/findings" || true
if grep -q 'error:\|warning:' "$commands_dir/findings"; then
  echo "clang-tidy found problems" >&2
  exit 1
fi

echo "cppcheck"
cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ \
  --enable=warning,performance,portability --inline-suppr \
  --suppressions-list=tools/cppcheck-suppressions.txt \
  -I include -I src -I simulator -I simulator/include \
  src simulator

echo "lint: clean"
