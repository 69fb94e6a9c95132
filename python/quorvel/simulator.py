"""The simulator's control API (ch367sim.h), for tests of programs that use the card library on
the simulated card: open the card (a shared card file or the process's own), look at the panel
and the bus, inject faults. Every function acts on the one simulated card of the process."""
from __future__ import annotations

import ctypes
import enum
import os
from ctypes import (POINTER, Structure, byref, c_char_p, c_int, c_size_t, c_uint8, c_uint16,
                    c_uint32, c_uint64)
from typing import TYPE_CHECKING, Any, NamedTuple, Optional, Union

from . import _gray, _library, buffers
from ._optional import require

if TYPE_CHECKING:
    import numpy
    from numpy.typing import NDArray

    from .card import Card

PathLike = Union[str, "os.PathLike[str]"]
# The simulator's variable naming a card file that several processes share.
CARD_VARIABLE = "CH367SIM_CARD"

MEMORY_WORDS = 65536
DISPLAY_MEMORY_BYTES = 8192


class GateFault(enum.IntEnum):
    OK = 0
    STUCK_CLOSED_ON_OPEN = 1  # the gate stays 1 when the host opens the bus
    STUCK_OPEN_ON_CLOSE = 2   # the gate stays 0 when the host closes the bus


class Clock(enum.IntEnum):
    """The run model's clock: real time plays at the sample rate, test time only by advance()."""
    REAL = 0
    TEST = 1


class _Counters(Structure):
    _fields_ = [("register_reads", c_uint64), ("register_writes", c_uint64),
                ("transactions", c_uint64), ("opens", c_uint64), ("closes", c_uint64),
                ("closed_accesses", c_uint64)]


class _Transaction(Structure):
    _fields_ = [("sequence", c_uint64), ("device", c_uint8), ("lines", c_uint8),
                ("success", c_uint8), ("count", c_uint64), ("out", POINTER(c_uint8)),
                ("read_count", c_uint64), ("in_", POINTER(c_uint8))]


class _PatternGenerator(Structure):
    _fields_ = [("ctrl_memory", POINTER(c_uint32)), ("out_memory", POINTER(c_uint32)),
                ("program_counter", c_uint32), ("status", c_uint16), ("io_lines", c_uint32),
                ("trigger_mode", c_uint8 * 2), ("dds_resets", c_uint64)]


class _RunSettings(Structure):
    _fields_ = [("clock", c_uint8), ("repeat", c_uint8), ("sample_rate", c_uint64),
                ("length", c_uint32), ("pattern_length", c_uint32)]


class _RecordedCommand(Structure):
    _fields_ = [("text", c_char_p), ("export_name", c_char_p), ("first_transaction", c_uint64),
                ("last_transaction", c_uint64), ("count", c_uint64), ("time_ns", c_uint64),
                ("duration_ns", c_uint64)]


# ch367sim_recorded_command_callback: called with each decoded command of a recording.
RECORDED_COMMAND_CALLBACK = ctypes.CFUNCTYPE(None, POINTER(_RecordedCommand), ctypes.c_void_p)


class RunSettings(NamedTuple):
    clock: Clock
    repeat: bool
    sample_rate: int
    length: Optional[int]  # None: the default length
    pattern_length: int    # the length in effect


class Counters(NamedTuple):
    register_reads: int
    register_writes: int
    transactions: int
    opens: int
    closes: int
    closed_accesses: int


class Transaction(NamedTuple):
    sequence: int
    device: int
    lines: int
    success: bool
    out: bytes
    read: bytes


class PatternGenerator(NamedTuple):
    ctrl_memory: memoryview
    out_memory: memoryview
    program_counter: int
    status: int
    io_lines: int
    trigger_mode: bytes
    dds_resets: int

_PROTOTYPES: dict[str, tuple[Any, list[Any]]] = {
    "ch367sim_reset": (None, []),
    "ch367sim_fail_open": (None, [c_int]),
    "ch367sim_fail_io_base": (None, [c_int]),
    "ch367sim_inject_gate_fault": (None, [c_int, c_uint64]),
    "ch367sim_clear_faults": (None, []),
    "ch367sim_is_open": (c_int, []),
    "ch367sim_register": (c_uint8, [c_uint8]),
    "ch367sim_line_register": (c_uint8, []),
    "ch367sim_set_line_register": (None, [c_uint8]),
    "ch367sim_get_counters": (_Counters, []),
    "ch367sim_set_logging": (None, [c_int]),
    "ch367sim_transaction_count": (c_size_t, []),
    "ch367sim_get_transaction": (c_int, [c_size_t, POINTER(_Transaction)]),
    "ch367sim_clear_log": (None, []),
    "ch367sim_get_pattern_generator": (_PatternGenerator, []),
    "ch367sim_pg_get_run_settings": (_RunSettings, []),
    "ch367sim_pg_set_clock": (c_int, [c_int]),
    "ch367sim_pg_set_sample_rate": (c_int, [c_uint64]),
    "ch367sim_pg_set_length": (c_int, [c_uint32]),
    "ch367sim_pg_set_repeat": (None, [c_int]),
    "ch367sim_pg_advance": (c_uint64, [c_uint64]),
    "ch367sim_display_memory": (POINTER(c_uint8), []),
    "ch367sim_display_is_on": (c_int, []),
    "ch367sim_write_display_png": (c_int, [c_char_p, ctypes.c_uint]),
    "ch367sim_compare_display_png": (c_int, [c_char_p, c_char_p, POINTER(c_uint64)]),
    "ch367sim_write_outputs": (c_int, []),
    "ch367sim_decode_recording": (c_int, [c_char_p, RECORDED_COMMAND_CALLBACK, ctypes.c_void_p,
                                          c_char_p, c_size_t]),
}

_simulator: Optional[ctypes.CDLL] = None


def _sim() -> Any:
    global _simulator
    if _simulator is None:
        _simulator = _library.load_simulator()
        for name, (result, arguments) in _PROTOTYPES.items():
            function = getattr(_simulator, name)
            function.restype = result
            function.argtypes = arguments
    return _simulator


def open_card(card_file: Optional[PathLike] = None) -> Card:
    """Opens the simulated card (DioInitialize): the one in `card_file`, which every process
    naming that file shares (CH367SIM_CARD), or when not given the card the environment
    names, by default one of this process's own. The card file is chosen once per process,
    before the card library is first loaded: naming one later raises RuntimeError."""
    from .card import Card
    if card_file is not None:
        wanted = os.fspath(card_file)
        if _library.is_loaded() and os.environ.get(CARD_VARIABLE) != wanted:
            raise RuntimeError(f"the simulated card is already in use; name the card file "
                               f"{wanted} before the first card is opened")
        os.environ[CARD_VARIABLE] = wanted
    return Card()


def reset() -> None:
    """Back to power-on: registers, devices, faults, logs, counters and output recordings."""
    _sim().ch367sim_reset()


def fail_open(fail: bool = True) -> None:
    _sim().ch367sim_fail_open(int(fail))


def fail_io_base(fail: bool = True) -> None:
    _sim().ch367sim_fail_io_base(int(fail))


def inject_gate_fault(fault: GateFault, nth: int = 0) -> None:
    """A bus-gate fault for the nth transaction from now (1 = the next one), or every one (0)."""
    _sim().ch367sim_inject_gate_fault(GateFault(fault), buffers.count(nth, "nth"))


def clear_faults() -> None:
    _sim().ch367sim_clear_faults()


def is_open() -> bool:
    return bool(_sim().ch367sim_is_open())


def register(offset: int) -> int:
    return int(_sim().ch367sim_register(buffers.byte(offset, "offset")))


def line_register() -> int:
    return int(_sim().ch367sim_line_register())


def set_line_register(value: int) -> None:
    _sim().ch367sim_set_line_register(buffers.byte(value, "value"))


def counters() -> Counters:
    c = _sim().ch367sim_get_counters()
    return Counters(c.register_reads, c.register_writes, c.transactions, c.opens, c.closes,
                    c.closed_accesses)


def transactions() -> list[Transaction]:
    """The transaction log, oldest first: device, line register, success, bytes sent (out) and
    bytes the host read back (read)."""
    result, entry = [], _Transaction()
    for index in range(_sim().ch367sim_transaction_count()):
        _sim().ch367sim_get_transaction(index, byref(entry))
        result.append(Transaction(entry.sequence, entry.device, entry.lines, bool(entry.success),
                                  ctypes.string_at(entry.out, entry.count),
                                  ctypes.string_at(entry.in_, entry.read_count)))
    return result


def clear_log() -> None:
    _sim().ch367sim_clear_log()


def set_logging(enabled: bool) -> None:
    _sim().ch367sim_set_logging(int(enabled))


def pattern_generator() -> PatternGenerator:
    """The pattern generator's registers, and its two memories as read-only lists of 32-bit
    words."""
    pg = _sim().ch367sim_get_pattern_generator()
    return PatternGenerator(_words(pg.ctrl_memory), _words(pg.out_memory), pg.program_counter,
                            pg.status, pg.io_lines, bytes(pg.trigger_mode), pg.dds_resets)


def run_settings() -> RunSettings:
    """The pattern generator's run model: clock, repeat, sample rate, the length setting and
    the pattern length in effect (by default the highest output word written since the memory
    was cleared, + 1; the whole memory when none was)."""
    s = _sim().ch367sim_pg_get_run_settings()
    return RunSettings(Clock(s.clock), bool(s.repeat), s.sample_rate, s.length or None,
                       s.pattern_length)


def set_clock(clock: Clock) -> None:
    """REAL: a running pattern plays at the sample rate against the monotonic clock; TEST: it
    moves only by advance()."""
    _sim().ch367sim_pg_set_clock(Clock(clock))


def set_sample_rate(hz: int) -> None:
    """Samples per second, 1 to 10**10; raises ValueError for another value."""
    if not isinstance(hz, int) or isinstance(hz, bool) or not 1 <= hz <= 10**10:
        raise ValueError(f"sample rate {hz!r} is not 1 to 10**10 Hz")
    _sim().ch367sim_pg_set_sample_rate(hz)


def set_length(words: Optional[int]) -> None:
    """Words the pattern plays, 1 to 65536, or None for the default length; raises ValueError
    for another value."""
    if words is not None and (not isinstance(words, int) or isinstance(words, bool)
                              or not 1 <= words <= MEMORY_WORDS):
        raise ValueError(f"length {words!r} is not 1 to {MEMORY_WORDS} words or None")
    _sim().ch367sim_pg_set_length(words or 0)


def set_repeat(repeat: bool) -> None:
    """True: after its last word the pattern wraps to word 0 and plays on."""
    _sim().ch367sim_pg_set_repeat(int(bool(repeat)))


def advance(samples: int) -> int:
    """Test time: plays `samples` samples of a running pattern; returns how many played (fewer
    when the pattern ended, 0 when none is running or the clock is real time)."""
    if not isinstance(samples, int) or isinstance(samples, bool) or samples < 0:
        raise ValueError(f"samples {samples!r} is not a count of 0 or more")
    return int(_sim().ch367sim_pg_advance(samples))


def _words(pointer: Any) -> memoryview:
    words = (c_uint32 * MEMORY_WORDS).from_address(ctypes.addressof(pointer.contents))
    return memoryview(words).cast("B").cast("I").toreadonly()


def display_memory() -> bytes:
    """The display memory: 64 rows of 128 bytes, two pixels per byte, even x high nibble."""
    return ctypes.string_at(_sim().ch367sim_display_memory(), DISPLAY_MEMORY_BYTES)


def display_is_on() -> bool:
    return bool(_sim().ch367sim_display_is_on())


def write_display_png(path: PathLike, scale: int = 1) -> bool:
    """Writes the panel picture; returns True on success."""
    return bool(_sim().ch367sim_write_display_png(os.fsencode(path), buffers.word(scale, "scale")))


def compare_display_png(reference: PathLike,
                        diff: Optional[PathLike] = None) -> tuple[int, int]:
    """Compares the panel with a reference PNG: (1 same / 0 different / -1 unreadable,
    differing panel pixels). A difference picture goes to `diff` when given."""
    differing = c_uint64(0)
    result = _sim().ch367sim_compare_display_png(
        os.fsencode(reference), None if diff is None else os.fsencode(diff), byref(differing))
    return result, differing.value


def write_outputs() -> bool:
    """Writes the output files the CH367SIM_* variables asked for, now."""
    return bool(_sim().ch367sim_write_outputs())


def panel_levels() -> bytes:
    """What the panel shows, as 64 rows of 256 gray levels (0..15), row 0 first: the display
    memory while the display is on, all 0 while it is off."""
    if not display_is_on():
        return bytes(_gray.COLUMNS * _gray.ROWS)
    return _gray.unpack(display_memory())


def panel_array() -> NDArray[numpy.uint8]:
    """What the panel shows as a numpy uint8 array shaped (64, 256) of gray levels 0..15."""
    np = require("numpy", "simulator.panel_array")
    levels: NDArray[numpy.uint8] = np.frombuffer(bytearray(panel_levels()), np.uint8)
    return levels.reshape(_gray.ROWS, _gray.COLUMNS)


def panel_image(scale: int = 1) -> Any:
    """What the panel shows as a Pillow grayscale ("L") image of 256 x 64 pixels, each a square
    of scale x scale, gray 17 x level: the picture write_display_png writes."""
    scale = buffers.integer(scale, "scale")
    pil = require("PIL.Image", "simulator.panel_image")
    gray = panel_levels().translate(bytes(17 * min(level, 15) for level in range(256)))
    image = pil.frombytes("L", (_gray.COLUMNS, _gray.ROWS), gray)
    if scale != 1:
        image = image.resize((_gray.COLUMNS * scale, _gray.ROWS * scale), pil.Resampling.NEAREST)
    return image
