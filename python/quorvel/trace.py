"""Reading the recordings of the bridge calls that the recorder (the CH367DLL64 of recorder/)
leaves: the calls as a numpy structured array, whether the recording was cut, the commands
they sent, decoded by the simulator's library as its command log decodes them, and two
recordings compared call by call. The layout is described in docs/recorder.md."""
from __future__ import annotations

import enum
import os
import struct
import zlib
from dataclasses import dataclass
from typing import TYPE_CHECKING, Any, List, Optional, Tuple, Union

from ._optional import require

if TYPE_CHECKING:
    from numpy.typing import NDArray

PathLike = Union[str, "os.PathLike[str]"]

FORMAT_VERSION = 1
_FILE_MAGIC = b"CH367REC"
_CHUNK_MAGIC = b"CALL"
_FILE_HEADER = struct.Struct("<8sHHHHQQIII")  # then its CRC-32, then the driver's path
_CHUNK_HEADER = struct.Struct("<4sIIIQQII")
_RECORD_SIZE = 32
_FINAL_CHUNK = 0x01


class Function(enum.IntEnum):
    """The bridge functions as the records number them."""
    OPEN_DEVICE = 1     # CH367OpenDevice
    GET_IO_BASE = 2     # CH367GetIoBaseAddr
    READ_IO_BYTE = 3    # CH367ReadIoByte
    WRITE_IO_BYTE = 4   # CH367WriteIoByte
    CLOSE_DEVICE = 5    # CH367CloseDevice


class NotARecording(ValueError):
    """The bytes are not a recording of a format version this module reads."""


@dataclass(frozen=True)
class Cut:
    """Where the readable part of a recording ends before the file does, and why."""
    offset: int
    reason: str


@dataclass(frozen=True)
class Recording:
    version: int
    driver: str
    process_id: int
    chunks: int
    # One row a call, in order: function (Function), address, value, result, time (ns since
    # the first call), flags, argument; what each holds by function: docs/recorder.md.
    calls: "NDArray[Any]"
    cut: Optional[Cut]


def _record_dtype() -> Any:
    numpy = require("numpy", "quorvel.trace")
    return numpy.dtype({"names": ["ticks", "address", "result", "function", "value", "flags",
                                  "argument"],
                        "formats": ["<u8", "<u8", "<i8", "u1", "u1", "u1", "<i4"],
                        "offsets": [0, 8, 16, 24, 25, 26, 28], "itemsize": _RECORD_SIZE})


CALL_FIELDS = [("function", "u1"), ("address", "u8"), ("value", "u1"), ("result", "i8"),
               ("time", "u8"), ("flags", "u1"), ("argument", "i4")]


def parse(data: bytes) -> Recording:
    """Reads a recording from its bytes; raises NotARecording when they are not one."""
    numpy = require("numpy", "quorvel.trace")
    if len(data) < _FILE_HEADER.size + 4 or not data.startswith(_FILE_MAGIC):
        raise NotARecording("not a recording of the bridge calls")
    (_, version, header_size, record_size, path_size, origin_ticks, origin_ns, process_id,
     _, _) = _FILE_HEADER.unpack_from(data)
    if version != FORMAT_VERSION:
        raise NotARecording(f"a recording of format version {version}, which this reader does "
                            "not know")
    end_of_path = header_size + path_size
    if (header_size != _FILE_HEADER.size + 4 or record_size != _RECORD_SIZE
            or len(data) < end_of_path):
        raise NotARecording("the recording's header is damaged")
    (checksum,) = struct.unpack_from("<I", data, _FILE_HEADER.size)
    if zlib.crc32(data[header_size:end_of_path], zlib.crc32(data[:_FILE_HEADER.size])) != checksum:
        raise NotARecording("the recording's header is damaged (checksum)")

    pieces: List[Any] = []
    times: List[Any] = []
    start: Tuple[int, int] = (origin_ticks, origin_ns)
    offset, chunks, final, cut = end_of_path, 0, False, None
    while offset < len(data):
        if len(data) - offset < _CHUNK_HEADER.size:
            cut = Cut(offset, "the file ends inside a chunk header")
            break
        magic, count, length, checksum, end_ticks, end_ns, flags, _ = \
            _CHUNK_HEADER.unpack_from(data, offset)
        body = offset + _CHUNK_HEADER.size
        if magic != _CHUNK_MAGIC:
            cut = Cut(offset, "no chunk starts there")
            break
        if length != count * _RECORD_SIZE:
            cut = Cut(offset, "the chunk header is damaged")
            break
        if len(data) - body < length:
            cut = Cut(offset, "the file ends inside a chunk")
            break
        if zlib.crc32(data[body:body + length], zlib.crc32(data[offset + 16:body])) != checksum:
            cut = Cut(offset, "the chunk's checksum does not match")
            break
        records = numpy.frombuffer(data, dtype=_record_dtype(), count=count, offset=body)
        pieces.append(records)
        times.append(_interpolate(records["ticks"], start, (end_ticks, end_ns), origin_ns))
        start, chunks, final = (end_ticks, end_ns), chunks + 1, bool(flags & _FINAL_CHUNK)
        offset = body + length
    if cut is None and not final:
        cut = Cut(offset, "the recording stops before the process ended")

    raw = numpy.concatenate(pieces) if pieces else numpy.zeros(0, dtype=_record_dtype())
    calls = numpy.zeros(len(raw), dtype=CALL_FIELDS)
    for name, _ in CALL_FIELDS:
        if name != "time":
            calls[name] = raw[name]
    calls["time"] = numpy.concatenate(times) if times else 0
    driver = data[header_size:end_of_path].decode("utf-8", errors="replace")
    return Recording(version, driver, process_id, chunks, calls, cut)


def _interpolate(ticks: Any, start: Tuple[int, int], end: Tuple[int, int], origin_ns: int) -> Any:
    """Ticks to ns since the first call, on the straight line between the chunk's clock points."""
    numpy = require("numpy", "quorvel.trace")
    base = start[1] - origin_ns
    span_ticks, span_ns = end[0] - start[0], end[1] - start[1]
    if span_ticks <= 0 or span_ns <= 0:
        return numpy.full(len(ticks), base, dtype="u8")
    first = numpy.uint64(start[0])
    offset = numpy.minimum(numpy.where(ticks > first, ticks - first, 0), span_ticks)
    return base + (offset.astype("f8") / span_ticks * span_ns).astype("u8")


@dataclass(frozen=True)
class Command:
    """One command the recorded calls sent, as `dio trace show` lists it: a run of identical
    commands in a row is one, `count` long, spanning the transactions of the first to the last."""
    text: str                          # "pg w start=0 words=8 data[32] = ..."
    export: str                        # the export it is attributed to, "DioWriteCtrlMemory"
    first_transaction: Optional[int]   # its SPI transactions, numbered from 1; None for none
    last_transaction: Optional[int]
    count: int
    time: int                          # ns from the first call to its first bus event
    duration: int                      # ns from then to the end of its last bus event


def commands(path: PathLike) -> List[Command]:
    """The commands of the recording at `path`, in order (a cut one's up to its last complete
    chunk); raises NotARecording when the file is not a recording."""
    import ctypes

    from . import simulator

    found: List[Command] = []

    def take(entry: Any, _: Any) -> None:
        command = entry.contents
        first = command.first_transaction or None
        found.append(Command(command.text.decode("utf-8", errors="replace"),
                             command.export_name.decode("utf-8", errors="replace"), first,
                             command.last_transaction if first else None, command.count,
                             command.time_ns, command.duration_ns))

    problem = ctypes.create_string_buffer(512)
    if not simulator._sim().ch367sim_decode_recording(
            os.fsencode(path), simulator.RECORDED_COMMAND_CALLBACK(take), None, problem,
            len(problem)):
        raise NotARecording(problem.value.decode("utf-8", errors="replace"))
    return found


def read(path: PathLike) -> Recording:
    """Reads the recording at `path`; raises NotARecording when the file is not one."""
    with open(path, "rb") as file:
        return parse(file.read())


@dataclass(frozen=True)
class Difference:
    """Where two recordings first differ, as `dio trace compare` finds it: `index` counts calls
    from 0 (dio's call number is index + 1); `a` and `b` are the calls there as compared (None
    past the end of a recording); `count` is the number of calls that differ, the calls one
    recording has beyond the other included."""
    index: int
    count: int
    a: Optional[Tuple[int, ...]]
    b: Optional[Tuple[int, ...]]


def comparable_calls(recording: Recording) -> "NDArray[Any]":
    """The calls as two runs of a host program are compared, one row a call (function, address,
    success, value, flags, argument): the open's handle only as success, addresses from the I/O
    base the latest CH367GetIoBaseAddr reported, results as success, no times, and no byte
    for a failed read."""
    numpy = require("numpy", "quorvel.trace")
    calls = recording.calls
    function = calls["function"]
    success = numpy.where(function == Function.OPEN_DEVICE, calls["result"] != -1,
                          calls["result"] != 0)
    stored = success & ((calls["flags"] & 0x01) == 0)
    # The base in effect at each call: the latest successful, stored CH367GetIoBaseAddr's.
    sets_base = (function == Function.GET_IO_BASE) & stored
    latest = numpy.maximum.accumulate(numpy.where(sets_base, numpy.arange(len(calls)), -1)) \
        if len(calls) else numpy.zeros(0, dtype="i8")
    base = numpy.where(latest >= 0, calls["address"][numpy.maximum(latest, 0)], 0).astype("u8")
    register = (function == Function.READ_IO_BYTE) | (function == Function.WRITE_IO_BYTE)
    opened = function == Function.OPEN_DEVICE
    compared: "NDArray[Any]" = numpy.zeros(
        len(calls), dtype=[("function", "u1"), ("address", "u8"), ("success", "?"),
                           ("value", "u1"), ("flags", "u1"), ("argument", "i4")])
    compared["function"] = function
    compared["address"] = numpy.where(register, calls["address"] - base,
                                      numpy.where(opened, calls["address"], 0))
    compared["success"] = success
    keeps_value = opened | (function == Function.WRITE_IO_BYTE) | \
        ((function == Function.READ_IO_BYTE) & stored)
    compared["value"] = numpy.where(keeps_value, calls["value"], 0)
    compared["flags"] = calls["flags"]
    compared["argument"] = numpy.where(opened, calls["argument"], 0)
    return compared


def compare(a: Union[Recording, PathLike], b: Union[Recording, PathLike]) -> Optional[Difference]:
    """Compares two recordings (or the files that hold them) call by call, as `dio trace
    compare` does, times ignored: None when they hold the same calls, else the first
    difference and the count of differing calls."""
    numpy = require("numpy", "quorvel.trace")
    first_calls = comparable_calls(a if isinstance(a, Recording) else read(a))
    second_calls = comparable_calls(b if isinstance(b, Recording) else read(b))
    common = min(len(first_calls), len(second_calls))
    differs = first_calls[:common] != second_calls[:common]
    count = int(differs.sum()) + max(len(first_calls), len(second_calls)) - common
    if count == 0:
        return None
    index = int(numpy.argmax(differs)) if differs.any() else common

    def call(calls: "NDArray[Any]") -> Optional[Tuple[int, ...]]:
        return tuple(int(field) for field in calls[index]) if index < len(calls) else None

    return Difference(index, count, call(first_calls), call(second_calls))
