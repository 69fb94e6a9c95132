#!/bin/sh
# The recorder under Wine as on a Windows machine: in a folder of host programs, the recorder is
# CH367DLL64.dll and forwards to the simulator, copied as CH367SIM.dll and named by
# CH367REC_DRIVER. The demo's recording reads back complete with dio.exe and holds every call the
# simulator counted; a host program killed mid-run leaves a recording that reads as cut.
#
# Usage: recorder_under_wine.sh WINE WORK_DIR RECORDER SIMULATOR LIBRARY DEMO LOGO ENDLESS_HOST DIO
set -eu
wine=$1 work=$2 recorder=$3 simulator=$4 library=$5 demo=$6 logo=$7 endless_host=$8 dio=$9

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
cd "$work"
cp "$recorder" CH367DLL64.dll
cp "$simulator" CH367SIM.dll
cp "$library" "$demo" "$endless_host" "$logo" .
# Wine's drive Z: is the root of the Linux file system.
export CH367REC_DRIVER="Z:$(pwd | tr / '\\')\\CH367SIM.dll"

# dio.exe, reading the recordings in this folder.
dio() { "$wine" "$dio" "$@"; }
# The number on the line of `dio trace info` that starts with $1.
calls_of() { sed -n "s/^  $1 *\([0-9]*\)\$/\1/p" info.txt; }

# The demo through the recorder, the simulator counting the register accesses.
CH367REC_TRACE=demo.trace CH367SIM_STATE=state.txt "$wine" ./demo.exe logo.bmp >demo.txt 2>demo_errors.txt ||
  fail "the demo through the recorder: $(cat demo_errors.txt)"
grep -q "every check passed" demo.txt || fail "the demo did not finish: $(cat demo.txt)"
[ ! -s demo_errors.txt ] || fail "the demo printed errors: $(cat demo_errors.txt)"

dio trace info demo.trace >info.txt || fail "dio trace info demo.trace: $(cat info.txt)"
grep -q "^complete     yes" info.txt || fail "the demo's recording is not complete: $(cat info.txt)"
grep -qF "driver       $CH367REC_DRIVER" info.txt || fail "the recording names another driver: $(cat info.txt)"
counted=$(sed -n 's/^ *[0-9]* transactions, \([0-9]*\) register reads, \([0-9]*\) register writes$/\1 \2/p' state.txt)
recorded="$(calls_of CH367ReadIoByte) $(calls_of CH367WriteIoByte)"
[ "$recorded" = "$counted" ] || fail "recorded reads and writes $recorded, the simulator counted $counted"
[ "$(calls_of CH367OpenDevice) $(calls_of CH367CloseDevice)" = "1 1" ] ||
  fail "the card was not opened and closed once: $(cat info.txt)"

# Further readings of demo.trace by dio.exe (show, vcd, cost, replay, compare) go here.

# A host program killed mid-run leaves a recording that reads as cut: ended by TerminateProcess
# (taskkill /F), and with SIGKILL to the Linux process Wine runs it in, each once the program has
# been at work for 300 ms.
mkfifo ready
for killer in taskkill sigkill; do
  CH367REC_TRACE=killed.trace "$wine" ./endless_host.exe >ready &
  host=$!
  read -r running <ready || fail "the endless host stopped before it was at work"
  case $killer in
    taskkill) "$wine" taskkill /F /IM endless_host.exe >/dev/null || fail "taskkill failed" ;;
    sigkill) kill -9 $host ;;
  esac
  wait $host || true
  dio trace info killed.trace >info.txt || fail "dio trace info killed.trace: $(cat info.txt)"
  grep -q "^cut          at byte [0-9]*, after chunk [1-9]" info.txt ||
    fail "the recording of a program ended by $killer does not read as cut: $(cat info.txt)"
  [ "$(calls_of CH367OpenDevice)" = 1 ] || fail "the killed program's recording lost its start"
  rm killed.trace
done

echo "the recorder under Wine: every check passed"
