"""The card: one open master handle and the exports that take it."""
from __future__ import annotations

import ctypes
import threading
from typing import TYPE_CHECKING, Any, Optional, Sequence, Union
from ctypes import byref, c_int16, c_void_p

from . import buffers
from ._blend import BlendMode
from ._library import exports
from ._resource import Resource
from .buffers import Pointer, ReadableBuffer
from .display import Display
from .errors import DioError
from .pattern import PatternGenerator

if TYPE_CHECKING:
    from .bitmap import Bitmap

__all__ = ["BlendMode", "Card"]

ROW_BYTES = 128
SCREEN_BYTES = 8192
COLUMNS = 256
ROWS = 64


class Card(Resource):
    """The card, opened by DioInitialize and closed by DioClose (also at the end of a `with`
    block). Method names are the export names without "Dio", in snake case
    (DioWriteOLEDPixelImm -> write_oled_pixel_imm). Failures raise DioError.

    Calls on one card from several threads are serialised: each library call holds `lock`, and
    so do the compound operations (display.show()). Hold it yourself (`with card.lock:`) for a
    sequence of calls that must not be interleaved with other threads' calls."""

    _kind = "card"

    def __init__(self) -> None:
        # Reentrant, so a compound operation can hold it around the calls that take it again.
        self.lock = threading.RLock()
        self._dio = exports()
        handle, status = c_void_p(), c_int16()
        self._dio.DioInitialize(None, byref(handle), byref(status))
        if status.value != 0:
            self._dio.DioClose(handle)  # frees the record a failed open leaves behind
            raise DioError("DioInitialize", status.value)
        super().__init__(handle)
        self._pattern = PatternGenerator(self)
        self._display = Display(self)

    def close(self) -> None:
        """Closes the card (DioClose) once no other thread is in a call on it."""
        with self.lock:
            super().close()

    def _release(self, handle: c_void_p) -> None:
        self._dio.DioClose(handle)

    @property
    def pattern(self) -> PatternGenerator:
        """The pattern generator: run control, both memories as arrays, its registers."""
        return self._pattern

    @property
    def display(self) -> Display:
        """The display: set-up, a frame of gray levels, text, lines and pictures."""
        return self._display

    # ---- Calling conventions -------------------------------------------------------------

    def _call(self, name: str, *arguments: Any) -> Any:
        """The export `name` on this card's handle, under the card's lock: ctypes lets other
        threads run during the call, and calls on one handle must not overlap."""
        with self.lock:
            return getattr(self._dio, name)(self.handle, *arguments)

    def _flag(self, name: str, *arguments: Any) -> None:
        """Exports returning a success flag: 0 raises DioError without a status."""
        if self._call(name, *arguments) == 0:
            raise DioError(name)

    def _status(self, name: str, *arguments: Any) -> Any:
        """Exports that write a status only on failure: it is set to 0 first."""
        status = c_int16(0)
        result = self._call(name, *arguments, byref(status))
        if status.value < 0:
            raise DioError(name, status.value)
        return result

    def _register(self, name: str, size: int) -> int:
        """Register reads: the status is always written, the bytes come back little-endian."""
        value = buffers.received(4)
        self._status(name, value)
        return int.from_bytes(bytes(value)[:size], "little")

    def _read_memory(self, name: str, start: int, words: int) -> bytes:
        data = buffers.received(4 * buffers.memory_words(words))
        self._read_memory_into(name, start, data)
        return bytes(data)

    def _read_memory_into(self, name: str, start: int, target: ReadableBuffer) -> None:
        """A memory read (`name` DioReadCtrlMemory or DioReadOutMemory) into the writable
        buffer `target`, filled with as many whole words as it holds."""
        pointer, size = buffers.writable(target, "target")
        # 4 x words must fit the library's 32-bit byte count.
        words = buffers.memory_words(size // 4)
        self._status(name, pointer, buffers.word(start, "start"), words)

    def _write_memory(self, name: str, start: int, data: ReadableBuffer) -> None:
        pointer, size = buffers.readable(data, "data")
        if size % 4:
            raise ValueError("data must be whole 32-bit words (a multiple of 4 bytes)")
        self._status(name, pointer, buffers.word(start, "start"), buffers.memory_words(size // 4))

    # ---- Raw SPI and address registers -------------------------------------------------

    def stream_spi(self, device: int, data: Optional[ReadableBuffer] = None,
                   count: Optional[int] = None) -> bytes:
        """One transaction on device 0..5: sends data (or count zero bytes) and returns the
        bytes received."""
        if data is None:
            if count is None:
                raise TypeError("give data or count")
            pointer, size = None, buffers.count(count, "count")
        else:
            pointer, size = buffers.readable(data, "data")
        reply = buffers.received(size)
        self._status("DioStreamSPI", buffers.byte(device, "device"), pointer, reply, size)
        return bytes(reply)

    def write_spi(self, device: int, data: ReadableBuffer) -> None:
        pointer, size = buffers.readable(data, "data")
        self._status("DioWriteSPI", buffers.byte(device, "device"), pointer, size)

    def read_spi(self, device: int, count: int) -> bytes:
        size = buffers.count(count, "count")
        reply = buffers.received(size)
        self._status("DioReadSPI", buffers.byte(device, "device"), reply, size)
        return bytes(reply)

    def set_adrsr_low(self, value: int) -> int:
        """Writes the address low register; returns the driver's write result."""
        return int(self._call("DioSetADRSR_Low", buffers.byte(value, "value")))

    def set_adrsr_high(self, value: int) -> int:
        """Writes the line register directly (bypassing the line shadow)."""
        return int(self._call("DioSetADRSR_High", buffers.byte(value, "value")))

    # ---- Pattern generator: run control --------------------------------------------------

    def arm(self) -> None:
        self._flag("DioArm")

    def halt(self) -> None:
        self._flag("DioHalt")

    def reset(self) -> None:
        self._flag("DioReset")

    def pause(self) -> None:
        self._flag("DioPause")

    def trig(self) -> None:
        self._flag("DioTrig")

    def reset_dds(self) -> None:
        self._flag("DioResetDDS")

    def clear_ctrl_memory(self) -> None:
        self._flag("DioClearCtrlMemory")

    def clear_out_memory(self) -> None:
        self._flag("DioClearOutMemory")

    def step(self, size: int) -> None:
        """Steps by size > 0; otherwise DioError with status STEP_SIZE."""
        self._status("DioStep", buffers.signed_word(size, "size"))

    def setup_trigger_mode(self, mode1: int, mode2: int) -> None:
        self._flag("DioSetupTriggerMode", buffers.byte(mode1, "mode1"), buffers.byte(mode2, "mode2"))

    # ---- Pattern generator: memory and registers -----------------------------------------

    def read_ctrl_memory(self, start: int, words: int) -> bytes:
        """Reads `words` 32-bit words; returns their 4 x words bytes."""
        return self._read_memory("DioReadCtrlMemory", start, words)

    def read_out_memory(self, start: int, words: int) -> bytes:
        return self._read_memory("DioReadOutMemory", start, words)

    def write_ctrl_memory(self, start: int, data: ReadableBuffer) -> None:
        """Writes data (whole 32-bit words, as they lie in memory) from word address start."""
        self._write_memory("DioWriteCtrlMemory", start, data)

    def write_out_memory(self, start: int, data: ReadableBuffer) -> None:
        self._write_memory("DioWriteOutMemory", start, data)

    def read_program_counter(self) -> int:
        return self._register("DioReadProgramCounter", 4)

    def read_current_io(self) -> int:
        return self._register("DioReadCurrentIO", 4)

    def read_max_data_lines(self) -> int:
        return self._register("DioReadMaxDataLines", 4)

    def read_status_register(self) -> int:
        return self._register("DioReadStatusRegister", 2)

    def write_program_counter(self, value: int) -> None:
        self._flag("DioWriteProgramCounter", buffers.word(value, "value"))

    def write_current_io(self, value: int) -> None:
        self._flag("DioWriteCurrentIO", buffers.word(value, "value"))

    # ---- Display: set-up and immediate drawing -------------------------------------------

    def setup_oled(self) -> None:
        """The status it writes is always 0; only the success flag tells a failure."""
        self._flag("DioSetupOLED", byref(c_int16(0)))

    def write_oled_row_val_imm(self, row: int, value: int) -> None:
        self._call("DioWriteOLEDRowValImm", buffers.byte(row, "row"), buffers.byte(value, "value"))

    def clear_oled_imm(self) -> None:
        self._call("DIOClearOLEDImm")

    def write_oled_pixel_pair_imm(self, column: int, row: int, pair: int) -> None:
        self._call("DioWriteOLEDPixelPairImm", buffers.byte(column, "column"),
                   buffers.byte(row, "row"), buffers.byte(pair, "pair"))

    def write_oled_pixel_imm(self, x: int, row: int, level: int) -> None:
        self._call("DioWriteOLEDPixelImm", buffers.byte(x, "x"), buffers.byte(row, "row"),
                   buffers.byte(level, "level"))

    def write_oled_arr_imm(self, x: int, row: int, data: ReadableBuffer) -> None:
        pointer, size = buffers.readable(data, "data")
        self._call("DioWriteOLEDArrImm", buffers.byte(x, "x"), buffers.byte(row, "row"),
                   pointer, size)

    def write_oled_row_arr_imm(self, row: int, data: ReadableBuffer) -> None:
        pointer, _ = buffers.readable(data, "data", ROW_BYTES)
        self._call("DioWriteOLEDRowArrImm", buffers.byte(row, "row"), pointer)

    def write_oled_screen_arr_imm(self, data: ReadableBuffer) -> None:
        pointer, _ = buffers.readable(data, "data", SCREEN_BYTES)
        self._call("DioWriteOLEDScreenArrImm", pointer)

    def write_oled_area_arr_imm(self, x: int, row: int, width: int, height: int,
                                data: ReadableBuffer) -> None:
        self._call("DioWriteOLEDAreaArrImm", buffers.byte(x, "x"), buffers.byte(row, "row"),
                   *self._area(width, height, data))

    def write_oled_2d_unpacked_arr_imm(self, columns: Sequence[ReadableBuffer]) -> None:
        """columns: 256 bytes-like objects, one per pixel column, each with the 64 levels of
        that column (row 0 first)."""
        if len(columns) != COLUMNS:
            raise ValueError(f"columns must hold {COLUMNS} columns, not {len(columns)}")
        levels = (ctypes.c_uint8 * (COLUMNS * ROWS))()
        unpacked = memoryview(levels).cast("B")
        for x, column in enumerate(columns):
            view = memoryview(column).cast("B")
            if view.nbytes < ROWS:
                raise ValueError(f"column {x} must hold at least {ROWS} levels, not {view.nbytes}")
            unpacked[x * ROWS:(x + 1) * ROWS] = view[:ROWS]
        base = ctypes.addressof(levels)
        pointers = (c_void_p * COLUMNS)(*(base + x * ROWS for x in range(COLUMNS)))
        self._call("DioWriteOLED2DUnpackedArrImm", pointers)

    @staticmethod
    def _area(width: int, height: int, data: ReadableBuffer) -> tuple[int, int, Pointer]:
        """An area's width, height and the data that fills it."""
        width, height = buffers.byte(width, "width"), buffers.byte(height, "height")
        return width, height, buffers.readable(data, "data", width * height)[0]

    # ---- Display: frame buffer -----------------------------------------------------------

    def write_oled_pixel_pair_buff(self, mode: int, column: int, row: int, pair: int) -> None:
        self._call("DioWriteOLEDPixelPairBuff", _mode(mode), buffers.byte(column, "column"),
                   buffers.byte(row, "row"), buffers.byte(pair, "pair"))

    def write_oled_pixel_buff(self, mode: int, x: int, row: int, level: int) -> None:
        self._call("DioWriteOLEDPixelBuff", _mode(mode), buffers.byte(x, "x"),
                   buffers.byte(row, "row"), buffers.byte(level, "level"))

    def write_oled_arr_buff(self, mode: int, x: int, row: int, data: ReadableBuffer) -> None:
        pointer, size = buffers.readable(data, "data")
        self._call("DioWriteOLEDArrBuff", _mode(mode), buffers.byte(x, "x"),
                   buffers.byte(row, "row"), pointer, size)

    def write_oled_row_arr_buff(self, mode: int, row: int, data: ReadableBuffer) -> None:
        pointer, _ = buffers.readable(data, "data", ROW_BYTES)
        self._call("DioWriteOLEDRowArrBuff", _mode(mode), buffers.byte(row, "row"), pointer)

    def write_oled_screen_arr_buff(self, mode: int, data: ReadableBuffer) -> None:
        pointer, _ = buffers.readable(data, "data", SCREEN_BYTES)
        self._call("DioWriteOLEDScreenArrBuff", _mode(mode), pointer)

    def write_oled_area_arr_buff(self, mode: int, x: int, row: int, width: int, height: int,
                                 data: ReadableBuffer) -> None:
        self._call("DioWriteOLEDAreaArrBuff", _mode(mode), buffers.byte(x, "x"),
                   buffers.byte(row, "row"), *self._area(width, height, data))

    def send_oled_buff(self) -> None:
        self._call("DioSendOLEDBuff")

    def clear_oled_buff(self) -> None:
        self._call("DioClearOLEDBuff")

    # ---- Display: lines, text, bitmaps ---------------------------------------------------

    def write_oled_line_imm(self, x0: int, y0: int, x1: int, y1: int, level0: int,
                            level1: int) -> None:
        self._call("DioWriteOLEDLineImm", *_line(x0, y0, x1, y1, level0, level1))

    def write_oled_line_buff(self, mode: int, x0: int, y0: int, x1: int, y1: int, level0: int,
                             level1: int) -> None:
        self._call("DioWriteOLEDLineBuff", _mode(mode), *_line(x0, y0, x1, y1, level0, level1))

    def write_oled_char_imm(self, x: int, y: int, char: Union[str, int]) -> None:
        """char: a one-character str or a code 0..255 (codes below 32 and above 127 draw nothing)."""
        self._call("DioWriteOLEDCharImm", buffers.byte(x, "x"), buffers.byte(y, "y"),
                   buffers.character(char))

    def write_oled_char_buff(self, mode: int, x: int, y: int, char: Union[str, int]) -> None:
        self._call("DioWriteOLEDCharBuff", _mode(mode), buffers.byte(x, "x"),
                   buffers.byte(y, "y"), buffers.character(char))

    def write_oled_str_imm(self, x: int, y: int, text: Union[str, bytes]) -> None:
        self._call("DioWriteOLEDStrImm", buffers.byte(x, "x"), buffers.byte(y, "y"),
                   buffers.text(text, "text"))

    def write_oled_str_buff(self, mode: int, x: int, y: int, text: Union[str, bytes]) -> None:
        self._call("DioWriteOLEDStrBuff", _mode(mode), buffers.byte(x, "x"),
                   buffers.byte(y, "y"), buffers.text(text, "text"))

    def write_oled_area_bmp_imm(self, x: int, y: int, bitmap: Bitmap) -> None:
        self._call("DioWriteOLEDAreaBMPImm", buffers.byte(x, "x"), buffers.byte(y, "y"),
                   bitmap.handle)

    def write_oled_area_bmp_buff(self, mode: int, x: int, y: int, bitmap: Bitmap) -> None:
        self._call("DioWriteOLEDAreaBMPBuff", _mode(mode), buffers.byte(x, "x"),
                   buffers.byte(y, "y"), bitmap.handle)


def _mode(mode: int) -> int:
    """A blend mode: a BlendMode or any 32-bit value (values outside 0..4 draw nothing)."""
    return buffers.signed_word(mode, "mode")


def _line(x0: int, y0: int, x1: int, y1: int, level0: int, level1: int) -> list[int]:
    names = ("x0", "y0", "x1", "y1", "level0", "level1")
    return [buffers.byte(value, name) for value, name in zip((x0, y0, x1, y1, level0, level1), names)]
