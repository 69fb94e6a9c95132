#!/usr/bin/env bash
# Runs the README's demo command on a clean clone of this checkout the way a fresh machine sees it:
# with the optional packages (CLI11, ImageMagick, pytest, Mono, sigrok-cli, MinGW-w64, Wine, the
# browser-test and picture libraries) hidden behind empty stand-ins in a private mount namespace,
# so the demo must configure, build and run without them. Prints the time it took.
# Needs root (for unshare --mount). Usage: tests/setup/demo_on_fresh_machine.sh [WORK_DIR]
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work_dir=${1:-$(mktemp -d)}

if [[ ${QUORVEL_INSIDE_FRESH_MACHINE:-} != 1 ]]; then
  QUORVEL_INSIDE_FRESH_MACHINE=1 exec unshare --mount --propagation private "$0" "$work_dir"
fi

empty_dir=$(mktemp -d)
empty_file=$(mktemp)
chmod 644 "$empty_file"   # not executable: a hidden program is not found on PATH
hide() {
  local path
  for path in "$@"; do
    [[ -e $path ]] || continue
    if [[ -d $path ]]; then mount --bind "$empty_dir" "$path"; else mount --bind "$empty_file" "$path"; fi
  done
}
shopt -s nullglob
hide /usr/include/CLI /usr/share/cmake/CLI11 /usr/include/stb /usr/include/nlohmann \
     /usr/share/cmake/nlohmann_json /usr/include/httplib.h /usr/x86_64-w64-mingw32 /usr/lib/wine \
     /usr/lib/python3/dist-packages/{pytest,_pytest,numpy,PIL,selenium,mypy}
for program in convert convert-im6.q16 pytest pytest-3 py.test mcs mono mono-sgen sigrok-cli wine \
               wine64 wineserver chromium chromedriver mypy gcovr; do
  hide "/usr/bin/$program"
done
hide /usr/bin/x86_64-w64-mingw32-*

git clone --quiet "$source_dir" "$work_dir/clone"
cd "$work_dir/clone"
start=$(date +%s)
cmake --workflow --preset demo
echo "demo workflow on a fresh clone: $(($(date +%s) - start)) s"
# The picture the README promises, written with what the machine has (libpng without stb).
if [[ $(head -c 8 build/demo/oled.png 2>/dev/null | od -An -tx1 | tr -d ' \n') != 89504e470d0a1a0a ]]; then
  echo "the demo left no panel picture in build/demo/oled.png" >&2
  exit 1
fi
