#!/usr/bin/env bash
# Puts the single-header form of cpp-httplib in /usr/local/src/cpp-httplib (or the folder given),
# for `dio view` in the Windows build. Debian's libcpp-httplib-dev is built for Linux with the
# implementation in a shared library and only declarations in its header, so MinGW-w64 has
# nothing to compile or link; the header of Debian's own source package (the same version, with
# Debian's patches applied) has both. apt-get fetches the source package from the machine's own
# Debian archives, through a source list of its own: the system's apt configuration is not
# touched. Needs root (or sudo) the first time; later runs find the header and do nothing.
set -euo pipefail
destination=${1:-/usr/local/src/cpp-httplib}
[[ -f $destination/httplib.h ]] && exit 0
if ((EUID != 0)); then
  command -v sudo >/dev/null || { echo "run this as root: $0 $destination" >&2; exit 1; }
  exec sudo "$0" "$destination"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/sources"
# The machine's Debian archives, as source archives.
for list in /etc/apt/sources.list.d/*.sources; do
  [[ -f $list ]] && { sed 's/^Types: deb$/Types: deb-src/' "$list"; echo; }
done >"$work/sources/archives.sources"
grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
  sed 's/^deb /deb-src /' >"$work/sources/archives.list" || true
apt_source=(apt-get -o APT::Sandbox::User=root -o Dir::Etc::SourceList=/dev/null
            -o Dir::Etc::SourceParts="$work/sources" -o Dir::State::Lists="$work/lists")
"${apt_source[@]}" update -qq
# The source of the packaged version; dpkg-source (dpkg-dev) unpacks it with Debian's patches.
(cd "$work" && "${apt_source[@]}" source -qq cpp-httplib >/dev/null)
unpacked=$(find "$work" -mindepth 2 -maxdepth 2 -name httplib.h -printf '%h\n' | head -n 1)
[[ -n $unpacked ]] || { echo "the cpp-httplib source has no httplib.h" >&2; exit 1; }
mkdir -p "$destination"
cp "$unpacked/httplib.h" "$unpacked/LICENSE" "$destination/"
echo "cpp-httplib $(basename "$unpacked") in $destination"
