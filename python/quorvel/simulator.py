"""The simulator's control API (ch367sim.h), for tests of programs that use the card library on
the simulated card. Every function acts on the one simulated card of the process."""
import ctypes
import enum
import os
from collections import namedtuple
from ctypes import (POINTER, Structure, byref, c_char_p, c_int, c_size_t, c_uint8, c_uint16,
                    c_uint32, c_uint64)

from ._library import load_simulator

MEMORY_WORDS = 65536
DISPLAY_MEMORY_BYTES = 8192


class GateFault(enum.IntEnum):
    OK = 0
    STUCK_CLOSED_ON_OPEN = 1  # the gate stays 1 when the host opens the bus
    STUCK_OPEN_ON_CLOSE = 2   # the gate stays 0 when the host closes the bus


class _Counters(Structure):
    _fields_ = [("register_reads", c_uint64), ("register_writes", c_uint64),
                ("transactions", c_uint64), ("opens", c_uint64), ("closes", c_uint64)]


class _Transaction(Structure):
    _fields_ = [("sequence", c_uint64), ("device", c_uint8), ("lines", c_uint8),
                ("success", c_uint8), ("count", c_uint64), ("out", POINTER(c_uint8)),
                ("read_count", c_uint64), ("in_", POINTER(c_uint8))]


class _PatternGenerator(Structure):
    _fields_ = [("ctrl_memory", POINTER(c_uint32)), ("out_memory", POINTER(c_uint32)),
                ("program_counter", c_uint32), ("status", c_uint16), ("io_lines", c_uint32),
                ("trigger_mode", c_uint8 * 2), ("dds_resets", c_uint64)]


Counters = namedtuple("Counters", "register_reads register_writes transactions opens closes")
Transaction = namedtuple("Transaction", "sequence device lines success out read")
PatternGenerator = namedtuple(
    "PatternGenerator",
    "ctrl_memory out_memory program_counter status io_lines trigger_mode dds_resets")

_PROTOTYPES = {
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
    "ch367sim_display_memory": (POINTER(c_uint8), []),
    "ch367sim_display_is_on": (c_int, []),
    "ch367sim_write_display_png": (c_int, [c_char_p, ctypes.c_uint]),
    "ch367sim_compare_display_png": (c_int, [c_char_p, c_char_p, POINTER(c_uint64)]),
    "ch367sim_write_outputs": (c_int, []),
}

_library = None


def _sim():
    global _library
    if _library is None:
        _library = load_simulator()
        for name, (result, arguments) in _PROTOTYPES.items():
            function = getattr(_library, name)
            function.restype = result
            function.argtypes = arguments
    return _library


def reset():
    """Back to power-on: registers, devices, faults, logs, counters and output recordings."""
    _sim().ch367sim_reset()


def fail_open(fail=True):
    _sim().ch367sim_fail_open(int(fail))


def fail_io_base(fail=True):
    _sim().ch367sim_fail_io_base(int(fail))


def inject_gate_fault(fault, nth=0):
    """A bus-gate fault for the nth transaction from now (1 = the next one), or every one (0)."""
    _sim().ch367sim_inject_gate_fault(GateFault(fault), nth)


def clear_faults():
    _sim().ch367sim_clear_faults()


def is_open():
    return _sim().ch367sim_is_open() != 0


def register(offset):
    return _sim().ch367sim_register(offset)


def line_register():
    return _sim().ch367sim_line_register()


def set_line_register(value):
    _sim().ch367sim_set_line_register(value)


def counters():
    c = _sim().ch367sim_get_counters()
    return Counters(c.register_reads, c.register_writes, c.transactions, c.opens, c.closes)


def transactions():
    """The transaction log, oldest first: device, line register, success, bytes sent (out) and
    bytes the host read back (read)."""
    result, entry = [], _Transaction()
    for index in range(_sim().ch367sim_transaction_count()):
        _sim().ch367sim_get_transaction(index, byref(entry))
        result.append(Transaction(entry.sequence, entry.device, entry.lines, bool(entry.success),
                                  ctypes.string_at(entry.out, entry.count),
                                  ctypes.string_at(entry.in_, entry.read_count)))
    return result


def clear_log():
    _sim().ch367sim_clear_log()


def set_logging(enabled):
    _sim().ch367sim_set_logging(int(enabled))


def pattern_generator():
    """The pattern generator's registers, and its two memories as read-only lists of 32-bit
    words."""
    pg = _sim().ch367sim_get_pattern_generator()
    return PatternGenerator(_words(pg.ctrl_memory), _words(pg.out_memory), pg.program_counter,
                            pg.status, pg.io_lines, bytes(pg.trigger_mode), pg.dds_resets)


def _words(pointer):
    words = (c_uint32 * MEMORY_WORDS).from_address(ctypes.addressof(pointer.contents))
    return memoryview(words).cast("B").cast("I").toreadonly()


def display_memory():
    """The display memory: 64 rows of 128 bytes, two pixels per byte, even x high nibble."""
    return ctypes.string_at(_sim().ch367sim_display_memory(), DISPLAY_MEMORY_BYTES)


def display_is_on():
    return _sim().ch367sim_display_is_on() != 0


def write_display_png(path, scale=1):
    """Writes the panel picture; returns True on success."""
    return _sim().ch367sim_write_display_png(os.fsencode(path), scale) != 0


def compare_display_png(reference, diff=None):
    """Compares the panel with a reference PNG: (1 same / 0 different / -1 unreadable,
    differing panel pixels). A difference picture goes to `diff` when given."""
    differing = c_uint64(0)
    result = _sim().ch367sim_compare_display_png(
        os.fsencode(reference), None if diff is None else os.fsencode(diff), byref(differing))
    return result, differing.value


def write_outputs():
    """Writes the output files the CH367SIM_* variables asked for, now."""
    return _sim().ch367sim_write_outputs() != 0
