"""The pattern generator as Python objects: run control, the two memories as arrays of 32-bit
words, and the registers as properties."""
from __future__ import annotations

import array
import enum
import sys
from typing import TYPE_CHECKING, Any, Optional, Union, overload

from . import buffers
from ._optional import require

if TYPE_CHECKING:
    import numpy
    from numpy.typing import NDArray

    from .card import Card


class PatternStatus(enum.IntFlag):
    """The bits of the pattern generator's status register, as the card's device sets them."""

    ARMED = 0x0001
    RUNNING = 0x0002
    PAUSED = 0x0004
    HALTED = 0x0008
    FRAME_ERROR = 0x4000  # a frame that did not fit its command
    RANGE_ERROR = 0x8000  # a memory access past the end


# Words in each of the pattern generator's memories.
MEMORY_WORDS = 65536


class Memory:
    """One of the pattern generator's memories of MEMORY_WORDS words, addressed by word (0 is
    the first; negative addresses and steps are refused). `memory[start:stop]` reads the words
    start..stop-1 as a numpy uint32 array (an open end reads to the end of the memory);
    `memory[start:stop] = words` writes a numpy array, any buffer of 32-bit words (bytes,
    array.array("I"), ...) or a sequence of integers, which must hold stop - start words
    (`memory[start:] = words` writes them all). `memory[i]` reads and writes one word as an
    int. A range past the end raises IndexError before anything is sent."""

    def __init__(self, card: Card, name: str, read: str, write: str, clear: str) -> None:
        self._card = card
        self.name = name
        self._read, self._write, self._clear = read, write, clear

    def __repr__(self) -> str:
        return f"<quorvel pattern-generator {self.name} memory>"

    def __len__(self) -> int:
        return MEMORY_WORDS

    @overload
    def __getitem__(self, key: int) -> int: ...
    @overload
    def __getitem__(self, key: slice) -> NDArray[numpy.uint32]: ...

    def __getitem__(self, key: Union[int, slice]) -> Union[int, NDArray[numpy.uint32]]:
        if isinstance(key, slice):
            start, stop = _bounds(key)
            return self.read(start, (MEMORY_WORDS if stop is None else stop) - start)
        word = bytearray(4)
        self._card._read_memory_into(self._read, self._range(_address(key), 1), word)
        return int.from_bytes(word, "little")

    def __setitem__(self, key: Union[int, slice], words: Any) -> None:
        if isinstance(key, slice):
            start, stop = _bounds(key)
            data = _words(words)
            count = len(data) // 4
            if stop is not None and stop - start != count:
                raise ValueError(f"{self.name}[{start}:{stop}] takes {stop - start} words, "
                                 f"not {count}")
        else:
            start, data = _address(key), _words([words])
        self._range(start, len(data) // 4)
        if data:  # an empty slice changes nothing, as in Python
            self._card._write_memory(self._write, start, data)

    def read(self, start: int, count: int) -> NDArray[numpy.uint32]:
        """`count` words from word address `start` as a numpy uint32 array."""
        count = buffers.count(count, "count")
        start = self._range(_address(start), count)
        np = require("numpy", f"reading the {self.name} memory as an array")
        words = np.empty(count, dtype="<u4")
        if count:  # an empty slice reads nothing, as in Python
            self._card._read_memory_into(self._read, start, words)
        result: NDArray[numpy.uint32] = words.astype(np.uint32, copy=False)
        return result

    def write(self, start: int, words: Any) -> None:
        """Writes words (as for slice assignment) from word address `start`."""
        self[start:] = words

    def clear(self) -> None:
        """Sets the whole memory to zero on the card."""
        self._card._flag(self._clear)

    def _range(self, start: int, count: int) -> int:
        """`start`, once the `count` words from it are known to lie inside the memory: the
        card would drop the words past its end without a word of complaint."""
        if start + count > MEMORY_WORDS:
            raise IndexError(f"{count} words from word address {start} run past the end of the "
                             f"{self.name} memory ({MEMORY_WORDS} words)")
        return start


def _address(key: Any) -> int:
    address = buffers.integer(key, "address")
    if address < 0:
        raise IndexError(f"memory addresses start at 0, not {address}")
    return address


def _bounds(key: slice) -> tuple[int, Optional[int]]:
    if key.step not in (None, 1):
        raise ValueError("memory slices take no step")
    start = 0 if key.start is None else _address(key.start)
    if key.stop is None:
        return start, None
    stop = _address(key.stop)
    if stop < start:
        raise ValueError(f"memory slice [{start}:{stop}] ends before it starts")
    return start, stop


def _words(words: Any) -> bytes:
    """Words as the card takes them: each one's little-endian image, 4 bytes per word. Byte
    buffers are taken as such images already; buffers of 32-bit integers, numpy arrays and
    sequences of integers are converted."""
    if type(words).__module__ == "numpy":
        np = require("numpy", "writing a numpy array")
        values = np.asarray(words).ravel()
        if values.size and values.dtype.kind not in "ui":
            raise TypeError(f"memory words must be integers, not {values.dtype}")
        if values.size and (values.min() < 0 or values.max() > 0xFFFFFFFF):
            raise ValueError("memory words must be 0..4294967295")
        return bytes(values.astype("<u4").tobytes())
    try:
        view = memoryview(words)
    except TypeError:
        try:
            values = [buffers.integer(w, "memory words") for w in words]
            return _little_endian(array.array("I", values), order="@")
        except OverflowError as error:
            raise ValueError("memory words must be 0..4294967295") from error
    if view.itemsize == 4 and view.format[-1:] in ("I", "i", "L", "l"):
        return _little_endian(array.array("I", view.tobytes()), order=view.format[0])
    if view.itemsize != 1:
        raise TypeError(f"a buffer of format {view.format!r} is not one of 32-bit words")
    if view.nbytes % 4:
        raise ValueError("data must be whole 32-bit words (a multiple of 4 bytes)")
    return view.tobytes()


def _little_endian(words: array.array[int], order: str) -> bytes:
    """The words' little-endian images; `order` is their buffer format's byte-order character."""
    if order in ">!" or (order not in "<" and sys.byteorder == "big"):
        words.byteswap()
    return words.tobytes()


class PatternGenerator:
    """The pattern generator of an open card (`card.pattern`). Failures raise DioError, as the
    one-to-one calls do."""

    def __init__(self, card: Card) -> None:
        self._card = card
        self.output = Memory(card, "output", "DioReadOutMemory", "DioWriteOutMemory",
                             "DioClearOutMemory")
        self.control = Memory(card, "control", "DioReadCtrlMemory", "DioWriteCtrlMemory",
                              "DioClearCtrlMemory")

    def arm(self) -> None:
        self._card.arm()

    def trigger(self) -> None:
        self._card.trig()

    def pause(self) -> None:
        self._card.pause()

    def halt(self) -> None:
        self._card.halt()

    def step(self, size: int = 1) -> None:
        """Moves the program on by `size` (> 0) steps."""
        self._card.step(size)

    def reset_dds(self) -> None:
        self._card.reset_dds()

    def set_trigger_mode(self, mode1: int, mode2: int) -> None:
        self._card.setup_trigger_mode(mode1, mode2)

    @property
    def program_counter(self) -> int:
        return self._card.read_program_counter()

    @program_counter.setter
    def program_counter(self, value: int) -> None:
        self._card.write_program_counter(value)

    @property
    def io_lines(self) -> int:
        """The I/O lines' current state; setting it drives them."""
        return self._card.read_current_io()

    @io_lines.setter
    def io_lines(self, value: int) -> None:
        self._card.write_current_io(value)

    @property
    def data_lines(self) -> int:
        """How many data lines the card has."""
        return self._card.read_max_data_lines()

    @property
    def status(self) -> PatternStatus:
        """The status register; bits the card sets beyond the named ones are kept."""
        return PatternStatus(self._card.read_status_register())
