#!/bin/sh
# The recorder under Wine as on a Windows machine: in a folder of host programs, the recorder is
# CH367DLL64.dll and forwards to the simulator, copied as CH367SIM.dll and named by
# CH367REC_DRIVER. The demo's recording reads back complete with dio.exe and holds every call the
# simulator counted; dio.exe shows its commands as the simulator's command log has them, replays
# it on a fresh simulated card to the same panel, finds a changed answer, and compares runs; a
# host program killed mid-run leaves a recording that reads as cut.
#
# Usage: recorder_under_wine.sh WINE WORK_DIR RECORDER SIMULATOR LIBRARY DEMO LOGO ENDLESS_HOST DIO
# (DIO runs on the simulator beside it; python3 changes a recorded answer.)
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
# At the highest sample rate the demo's pattern has ended at its first poll, in the run and in
# its replay alike: under Wine the recorder's clock and the simulator's can differ by a tenth
# over microseconds, enough to put a poll made as the pattern ends on the other side of it.
export CH367SIM_PG_SAMPLE_RATE=10000000000
CH367REC_TRACE=demo.trace CH367SIM_STATE=state.txt CH367SIM_LOG=commands.log CH367SIM_PNG=direct.png \
  "$wine" ./demo.exe logo.bmp >demo.txt 2>demo_errors.txt ||
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

# The commands dio.exe shows are the simulator's command log, times left out.
untimed() { grep '^#[0-9-]' | awk -v fields="$1" '{ for (i = 2; i <= fields + 1; ++i) $i = ""; print }' | tr -s ' '; }
dio trace show demo.trace >show.txt || fail "dio trace show demo.trace: $(cat show.txt)"
untimed 2 <show.txt >shown.txt
untimed 1 <commands.log >logged.txt
[ -s shown.txt ] && cmp -s shown.txt logged.txt ||
  fail "dio trace show differs from the command log: $(diff logged.txt shown.txt | head -5)"

# Replayed on a fresh simulated card (dio.exe's own), every answer as recorded and the panel as
# the demo left it.
CH367SIM_PNG=replayed.png dio trace replay demo.trace >replay.txt || fail "dio trace replay: $(cat replay.txt)"
cmp -s direct.png replayed.png || fail "the replay left another panel than the demo"

# One recorded status answer changed (its chunk's checksum made good): reported, exit status 1.
python3 - demo.trace <<'PY'
import struct, sys, zlib
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
offset = 48 + struct.unpack_from("<H", data, 14)[0]
index = 0
while offset < len(data):
    count = struct.unpack_from("<I", data, offset + 4)[0]
    records = offset + 40
    for k in range(count):
        record = records + 32 * k
        if index > 1100 and data[record + 24] == 3 and data[record + 8] == 0xFE:
            data[record + 25] ^= 0x40
            crc = zlib.crc32(bytes(data[offset + 16:offset + 40]) + bytes(data[records:records + 32 * count]))
            struct.pack_into("<I", data, offset + 12, crc)
            open(path, "wb").write(data)
            sys.exit(0)
        index += 1
    offset = records + 32 * count
sys.exit("no status read to change")
PY
if dio trace replay demo.trace >replay.txt; then fail "a changed answer replayed without a word"; fi
grep -q "SPI data (+0xFE) .* ; DioRead" replay.txt || fail "the changed answer is not named: $(cat replay.txt)"

# Two runs compare equal (the pattern ending at the first poll in both), and equal to the
# simulator's own recording of one of them; a changed picture differs in a display command.
CH367REC_TRACE=a.trace CH367SIM_TRACE=simulator.trace "$wine" ./demo.exe logo.bmp >/dev/null 2>&1 || fail "demo run a"
CH367REC_TRACE=b.trace "$wine" ./demo.exe logo.bmp >/dev/null 2>&1 || fail "demo run b"
python3 -c "import sys; d = bytearray(open('logo.bmp', 'rb').read()); d[-40] ^= 0xFF; open('changed.bmp', 'wb').write(d)"
CH367REC_TRACE=changed.trace "$wine" ./demo.exe changed.bmp >/dev/null 2>&1 || fail "demo run with a changed picture"
unset CH367SIM_PG_SAMPLE_RATE
dio trace compare a.trace b.trace >compare.txt || fail "two runs of the demo differ: $(cat compare.txt)"
dio trace compare a.trace simulator.trace >compare.txt || fail "the simulator's recording differs: $(cat compare.txt)"
if dio trace compare a.trace changed.trace >compare.txt; then fail "a changed picture compared equal"; fi
grep -q "display data" compare.txt || fail "the difference is not named: $(cat compare.txt)"

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
