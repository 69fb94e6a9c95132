#!/usr/bin/env bash
# The README's test command: installs the Debian packages the tests need when any is missing
# (as root, or through sudo), then configures, builds and runs the whole test suite
# (cmake --workflow --preset test, build tree build/dev).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/debian-packages.sh

install_missing_packages "${test_packages[@]}"
exec cmake --workflow --preset test
