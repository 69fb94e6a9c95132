#!/usr/bin/env bash
# The package installation waits, bounded and saying so, while another apt or dpkg run holds the
# package lock, and stops at once on any other failure. apt-get is played by a stand-in.
set -euo pipefail
source "$(dirname "$0")/../../tools/debian-packages.sh"
sleep() { :; }  # no real waiting between tries

# Fails with apt's lock message the first $1 times it runs, then prints "installed".
tries=$(mktemp)
locked_apt() {
  local count
  count=$(($(wc -l <"$tries") + 1))
  echo >>"$tries"
  if ((count <= $1)); then
    echo "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (apt-get)"
    return 100
  fi
  echo installed
}
failing_apt() { echo "E: Unable to locate package nosuchpackage"; return 100; }

fail() { echo "FAIL: $*" >&2; exit 1; }
check() {  # NAME EXPECTED_STATUS EXPECTED_TRIES STDERR_PATTERN -- COMMAND...
  local name=$1 want_status=$2 want_tries=$3 pattern=$4 status=0 err
  shift 5
  : >"$tries"
  err=$( { apt_waiting_for_lock "$@" >/dev/null; } 2>&1) || status=$?
  ((status == want_status)) || fail "$name: status $status, expected $want_status"
  (($(wc -l <"$tries") == want_tries)) || fail "$name: $(wc -l <"$tries") tries, expected $want_tries"
  [[ $err =~ $pattern ]] || fail "$name: standard error was: $err"
}

QUORVEL_APT_LOCK_WAIT=60 check "held, then free" 0 3 '^Another apt or dpkg run holds the package lock; waiting for it \(at most 60 s\)\.\.\.$' -- locked_apt 2
QUORVEL_APT_LOCK_WAIT=0 check "held throughout" 100 1 'still held after 0 s' -- locked_apt 99
check "another failure" 100 0 '^$' -- failing_apt
echo "3 passed, 0 failed"
rm -f "$tries"
