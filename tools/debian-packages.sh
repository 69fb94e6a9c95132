# The Debian packages the project's builds and tests use, in one place. Sourced by tools/test.sh
# (the README's test command) and by .ci/run; nothing else keeps a package list.
#
# The demo (cmake --workflow --preset demo) needs none of these beyond a compiler, CMake, Ninja
# and libpng; everything below serves the tests, the other presets and CI.

# What `cmake --workflow --preset test` builds with and runs.
test_packages=(
  cmake ninja-build g++ pkgconf          # the build
  libgtest-dev libgmock-dev              # every test program
  libbenchmark-dev                       # the benchmarks in bench/ (run briefly as tests)
  libstb-dev libpng-dev                  # PNG pictures: stb_image_write writes them, libpng reads them
  libcli11-dev                           # dio's command line
  libcpp-httplib-dev nlohmann-json3-dev  # dio view: its web server and the card as JSON
  chromium chromium-driver python3-selenium  # dio view's page tested in headless Chromium
  imagemagick                            # sample bitmaps the loader tests compare against
  python3-pytest                         # the Python bindings' tests
  python3-numpy python3-pil              # the Python package's array and image layer, in its tests
  python3-setuptools python3-wheel       # building the Python package (pip install ./python)
  python3-build                          # its sdist and wheel (python3 -P -m build python)
  python3-pip python3-venv               # installing it into a fresh virtual environment
  mypy                                   # the Python package's type check
  mono-mcs mono-runtime                  # the C# bindings' tests
  sigrok-cli                             # decodes the simulator's bus recording in its tests
  valgrind                               # the demo under memcheck
)

# The Windows DLL cross-built and its whole suite run under Wine (the windows preset).
# dio.exe takes CLI11, nlohmann-json and the picture writer from the build machine's headers, and
# cpp-httplib's single header from Debian's source package, which tools/fetch-httplib-source.sh
# unpacks with dpkg-dev; the MSVC-ABI consumer is built with clang-14 and lld-14.
windows_packages=(g++-mingw-w64-x86-64 mingw-w64-tools googletest wine64 libstb-dev libcli11-dev
                  nlohmann-json3-dev dpkg-dev clang-14 lld-14)

# Fuzzing (the fuzz preset), static analysis (tools/lint.sh) and the coverage report
# (tools/coverage.sh).
analysis_packages=(clang-14 libclang-rt-14-dev cppcheck clang-tidy-14 gcovr)

# Prints the packages of the arguments that are not installed, one a line.
missing_packages() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' ||
      echo "$package"
  done
}

# Runs the apt-get command of the arguments (sudo in front when given). While another apt or dpkg
# run holds the package lock, it says so once and tries again every 5 s, for at most
# QUORVEL_APT_LOCK_WAIT seconds (default 600); any other failure ends it at once.
apt_waiting_for_lock() {
  local wait=${QUORVEL_APT_LOCK_WAIT:-600} log status told=
  local deadline=$((SECONDS + wait))
  log=$(mktemp)
  while :; do
    { "$@" 2>&1 | tee "$log"; status=${PIPESTATUS[0]}; } || true
    if ((status == 0)) || ! grep -qE 'Could not get lock|Unable to acquire the dpkg frontend lock|Unable to lock' "$log"; then
      break
    fi
    if ((SECONDS >= deadline)); then
      echo "The package lock was still held after $wait s; run this again once the other package run has ended." >&2
      break
    fi
    [[ -n $told ]] || echo "Another apt or dpkg run holds the package lock; waiting for it (at most $wait s)..." >&2
    told=1
    sleep 5
  done
  rm -f "$log"
  return "$status"
}

# Installs the packages of the arguments that are missing: as root with apt-get, otherwise through
# sudo when there is one. Without either it prints the command to run and fails.
install_missing_packages() {
  local missing
  mapfile -t missing < <(missing_packages "$@")
  ((${#missing[@]})) || return 0
  local install=(apt-get install -y --no-install-recommends "${missing[@]}")
  local as_root=()
  if ((EUID != 0)); then
    if ! command -v sudo >/dev/null; then
      echo "Missing Debian packages; install them as root, then run this again:" >&2
      echo "  apt-get update && ${install[*]}" >&2
      return 1
    fi
    as_root=(sudo)
  fi
  apt_waiting_for_lock "${as_root[@]}" apt-get update &&
    apt_waiting_for_lock "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive "${install[@]}"
}
