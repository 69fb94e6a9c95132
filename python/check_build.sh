#!/bin/sh
# Builds the package's sdist and wheel with the documented command, from the top of a copy of
# the tree that has a build/ folder (which would shadow the build module) and the libraries
# under build/dev/bin, named by relative paths; checks that the wheel carries them.
# Usage: check_build.sh PYTHON WORK_DIRECTORY CARD_LIBRARY SIMULATOR_LIBRARY
set -eu
python=$1 work=$2 card=$3 simulator=$4
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
mkdir -p "$work/python" "$work/build/dev/bin"
cp -R "$here/pyproject.toml" "$here/setup.py" "$here/MANIFEST.in" "$here/README.md" \
      "$here/build_backend" "$here/quorvel" "$work/python/"
cp "$card" "$work/build/dev/bin/libQuorvelWCHDLL.so"
cp "$simulator" "$work/build/dev/bin/libCH367DLL64.so"
cd "$work"
QUORVEL_BUNDLE=build/dev/bin/libQuorvelWCHDLL.so:build/dev/bin/libCH367DLL64.so \
  PYTHONDONTWRITEBYTECODE=1 "$python" -P -m build python > build.log 2>&1 || { cat build.log; exit 1; }
ls python/dist/quorvel-*.tar.gz > /dev/null
wheel=$(ls python/dist/quorvel-*.whl)
"$python" -m zipfile -l "$wheel" | grep -q 'quorvel/libQuorvelWCHDLL.so' &&
  "$python" -m zipfile -l "$wheel" | grep -q 'quorvel/libCH367DLL64.so' ||
  { echo "$wheel lacks the bundled libraries"; exit 1; }
echo "built: $wheel"
