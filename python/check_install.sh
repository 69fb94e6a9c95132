#!/bin/sh
# Installs the package as a user would, with pip into a fresh virtual environment that sees the
# interpreter's own packages (pip, numpy, Pillow, setuptools), from a copy of the source and with
# no package index, the card library and the simulator inside it; then runs the picture example
# with that installation alone on the simulated card.
# Usage: check_install.sh PYTHON WORK_DIRECTORY CARD_LIBRARY SIMULATOR_LIBRARY
set -eu
python=$1 work=$2 card=$3 simulator=$4
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
mkdir -p "$work/source"
# The interpreter's own pip serves the environment: making one with ensurepip takes longer.
"$python" -m venv --system-site-packages --without-pip "$work/venv"
cp -R "$here/pyproject.toml" "$here/setup.py" "$here/MANIFEST.in" "$here/README.md" \
      "$here/build_backend" "$here/quorvel" "$work/source/"
QUORVEL_BUNDLE="$card:$simulator" PYTHONDONTWRITEBYTECODE=1 PIP_DISABLE_PIP_VERSION_CHECK=1 \
  "$work/venv/bin/python" -m pip install --no-index --quiet "$work/source"

cd "$work"
env -u QUORVEL_LIBRARY -u QUORVEL_SIMULATOR_LIBRARY -u PYTHONPATH \
  "$work/venv/bin/python" "$here/../examples/python/pattern_and_picture.py"
"$work/venv/bin/python" -c 'import quorvel, pathlib; print("installed:", pathlib.Path(quorvel.__file__).parent)'
