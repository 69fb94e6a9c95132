"""quorvel.trace reads what the recorder left of a run of dio on the simulated card, as dio's
own reader does, and a recording cut short up to its last complete chunk; its commands are the
ones `dio trace show` lists."""
import os
import pathlib
import re
import subprocess

import pytest

from quorvel import trace

numpy = pytest.importorskip("numpy")
DIO = os.environ.get("QUORVEL_DIO")
# The simulator's library, beside the card library unless named.
SIMULATOR = pathlib.Path(os.environ.get("QUORVEL_SIMULATOR_LIBRARY") or
                         pathlib.Path(os.environ.get("QUORVEL_LIBRARY", ".")).parent /
                         "libCH367DLL64.so")
RECORDER_DIRECTORY = SIMULATOR.parent.parent / "recorder"
pytestmark = pytest.mark.skipif(DIO is None or not RECORDER_DIRECTORY.is_dir(),
                                reason="needs dio and the recorder")


def dio(*arguments, **variables):
    environment = dict(os.environ, **variables)
    return subprocess.run([DIO, *arguments], env=environment, check=True, capture_output=True,
                          text=True).stdout


@pytest.fixture(scope="module")
def recording(tmp_path_factory):
    path = tmp_path_factory.mktemp("trace") / "dio.trace"
    # Enough calls for several chunks.
    dio("dump", "ctrl", "--words", "4096", LD_LIBRARY_PATH=str(RECORDER_DIRECTORY),
        CH367REC_DRIVER=str(SIMULATOR), CH367REC_TRACE=str(path))
    return path


def info_by_dio(path):
    """The calls by function and the span line that `dio trace info` shows."""
    lines = dio("trace", "info", str(path)).splitlines()
    counts = {words[0]: int(words[1]) for words in map(str.split, lines)
              if words and words[0].startswith("CH367")}
    span = next(line.split(None, 1)[1] for line in lines if line.startswith("span"))
    return counts, span


def test_calls_agree_with_dio(recording):
    read = trace.read(recording)
    assert read.cut is None and read.driver == str(SIMULATOR)
    calls = read.calls
    assert calls["function"][0] == trace.Function.OPEN_DEVICE
    assert calls["function"][-1] == trace.Function.CLOSE_DEVICE
    assert calls["address"][1] == 0xD000  # the I/O base the simulator reports
    assert (numpy.diff(calls["time"].astype("i8")) >= 0).all()
    by_function = {f"CH367{name}": int((calls["function"] == value).sum()) for name, value in
                   [("OpenDevice", 1), ("GetIoBaseAddr", 2), ("ReadIoByte", 3),
                    ("WriteIoByte", 4), ("CloseDevice", 5)]}
    span = "%.6f s, first call to last" % ((int(calls["time"][-1]) - int(calls["time"][0])) / 1e9)
    assert (by_function, span) == info_by_dio(recording)


def test_cut_recording_reads_to_its_last_chunk(recording, tmp_path):
    data = recording.read_bytes()
    cut = tmp_path / "cut.trace"
    cut.write_bytes(data[:-50])  # into the last calls, before the empty chunk written at exit
    read = trace.read(cut)
    assert read.cut is not None and read.cut.reason == "the file ends inside a chunk"
    assert f"at byte {read.cut.offset}," in dio("trace", "info", str(cut))
    assert 0 < len(read.calls) < len(trace.read(recording).calls)
    with pytest.raises(trace.NotARecording):
        trace.parse(b"X" + data[1:])


def shown_by_dio(path):
    """(transactions, text, export, count, time ns, duration ns) of each `dio trace show` line."""
    shown = []
    for line in dio("trace", "show", str(path)).splitlines():
        if line.startswith("# "):
            continue
        transactions, time, duration, rest = line.split(None, 3)
        text, export = rest.rsplit(" ; ", 1)
        folded = re.fullmatch(r"(.*) \(x(\d+)\)", export)
        export, count = (folded[1], int(folded[2])) if folded else (export, 1)
        shown.append((transactions, text.rstrip(), export, count, round(float(time) * 1000),
                      round(float(duration) * 1000)))
    return shown


def test_commands_are_those_dio_shows(recording):
    def transactions(command):
        if command.first_transaction is None:
            return "#-"
        last = command.last_transaction
        return f"#{command.first_transaction}" + (f"-{last}" if last != command.first_transaction
                                                  else "")
    commands = trace.commands(recording)
    assert any(command.text.startswith("pg c") for command in commands)
    assert [(transactions(c), c.text, c.export, c.count, c.time, c.duration)
            for c in commands] == shown_by_dio(recording)
    with pytest.raises(trace.NotARecording, match="not a recording"):
        trace.commands(pathlib.Path(__file__))


def test_compare_finds_what_dio_compare_finds(recording, tmp_path):
    assert trace.compare(recording, trace.read(recording)) is None
    data = bytearray(recording.read_bytes())
    shorter = tmp_path / "shorter.trace"
    shorter.write_bytes(data[:-50])  # cut: its last chunk is lost
    difference = trace.compare(recording, shorter)
    assert difference is not None and difference.b is None
    assert difference.count == len(trace.read(recording).calls) - difference.index
    result = subprocess.run([DIO, "trace", "compare", str(recording), str(shorter)],
                            capture_output=True, text=True)
    assert result.returncode == 1
    assert f"first difference at call {difference.index + 1}:" in result.stdout
    assert f"{difference.count} calls differ" in result.stdout
