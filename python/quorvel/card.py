"""The card: one open master handle and the exports that take it."""
import ctypes
import enum
from ctypes import byref, c_int16, c_void_p

from . import buffers
from ._library import exports
from ._resource import Resource
from .errors import DioError


class BlendMode(enum.IntEnum):
    """How a frame-buffer drawer combines new pixels with the frame buffer (any other value
    draws nothing)."""

    REPLACE = 0
    OR = 1
    MAX = 2
    XOR = 3
    NONZERO_REPLACE = 4


ROW_BYTES = 128
SCREEN_BYTES = 8192
COLUMNS = 256
ROWS = 64


class Card(Resource):
    """The card, opened by DioInitialize and closed by DioClose (also at the end of a `with`
    block). Method names are the export names without "Dio", in snake case
    (DioWriteOLEDPixelImm -> write_oled_pixel_imm). Failures raise DioError."""

    _kind = "card"

    def __init__(self):
        self._dio = exports()
        handle, status = c_void_p(), c_int16()
        self._dio.DioInitialize(None, byref(handle), byref(status))
        if status.value != 0:
            self._dio.DioClose(handle)  # frees the record a failed open leaves behind
            raise DioError("DioInitialize", status.value)
        super().__init__(handle)

    def _release(self, handle):
        self._dio.DioClose(handle)

    # ---- Calling conventions -------------------------------------------------------------

    def _flag(self, name, *arguments):
        """Exports returning a success flag: 0 raises DioError without a status."""
        if getattr(self._dio, name)(self.handle, *arguments) == 0:
            raise DioError(name)

    def _status(self, name, *arguments):
        """Exports that write a status only on failure: it is set to 0 first."""
        status = c_int16(0)
        result = getattr(self._dio, name)(self.handle, *arguments, byref(status))
        if status.value < 0:
            raise DioError(name, status.value)
        return result

    def _register(self, name, size):
        """Register reads: the status is always written, the bytes come back little-endian."""
        value = buffers.received(4)
        self._status(name, value)
        return int.from_bytes(bytes(value)[:size], "little")

    def _read_memory(self, name, start, words):
        # 4 x words must fit the library's 32-bit byte count.
        data = buffers.received(4 * buffers.memory_words(words))
        self._status(name, data, buffers.word(start, "start"), words)
        return bytes(data)

    def _write_memory(self, name, start, data):
        pointer, size = buffers.readable(data, "data")
        if size % 4:
            raise ValueError("data must be whole 32-bit words (a multiple of 4 bytes)")
        self._status(name, pointer, buffers.word(start, "start"), buffers.memory_words(size // 4))

    # ---- Raw SPI and address registers -------------------------------------------------

    def stream_spi(self, device, data=None, count=None):
        """One transaction on device 0..5: sends data (or count zero bytes) and returns the
        bytes received."""
        pointer, size = (None, count) if data is None else buffers.readable(data, "data")
        if size is None:
            raise TypeError("give data or count")
        reply = buffers.received(size)
        self._status("DioStreamSPI", buffers.byte(device, "device"), pointer, reply, size)
        return bytes(reply)

    def write_spi(self, device, data):
        pointer, size = buffers.readable(data, "data")
        self._status("DioWriteSPI", buffers.byte(device, "device"), pointer, size)

    def read_spi(self, device, count):
        reply = buffers.received(count)
        self._status("DioReadSPI", buffers.byte(device, "device"), reply, count)
        return bytes(reply)

    def set_adrsr_low(self, value):
        """Writes the address low register; returns the driver's write result."""
        return self._dio.DioSetADRSR_Low(self.handle, buffers.byte(value, "value"))

    def set_adrsr_high(self, value):
        """Writes the line register directly (bypassing the line shadow)."""
        return self._dio.DioSetADRSR_High(self.handle, buffers.byte(value, "value"))

    # ---- Pattern generator: run control --------------------------------------------------

    def arm(self):
        self._flag("DioArm")

    def halt(self):
        self._flag("DioHalt")

    def reset(self):
        self._flag("DioReset")

    def pause(self):
        self._flag("DioPause")

    def trig(self):
        self._flag("DioTrig")

    def reset_dds(self):
        self._flag("DioResetDDS")

    def clear_ctrl_memory(self):
        self._flag("DioClearCtrlMemory")

    def clear_out_memory(self):
        self._flag("DioClearOutMemory")

    def step(self, size):
        """Steps by size > 0; otherwise DioError with status STEP_SIZE."""
        self._status("DioStep", buffers.signed_word(size, "size"))

    def setup_trigger_mode(self, mode1, mode2):
        self._flag("DioSetupTriggerMode", buffers.byte(mode1, "mode1"), buffers.byte(mode2, "mode2"))

    # ---- Pattern generator: memory and registers -----------------------------------------

    def read_ctrl_memory(self, start, words):
        """Reads `words` 32-bit words; returns their 4 x words bytes."""
        return self._read_memory("DioReadCtrlMemory", start, words)

    def read_out_memory(self, start, words):
        return self._read_memory("DioReadOutMemory", start, words)

    def write_ctrl_memory(self, start, data):
        """Writes data (whole 32-bit words, as they lie in memory) from word address start."""
        self._write_memory("DioWriteCtrlMemory", start, data)

    def write_out_memory(self, start, data):
        self._write_memory("DioWriteOutMemory", start, data)

    def read_program_counter(self):
        return self._register("DioReadProgramCounter", 4)

    def read_current_io(self):
        return self._register("DioReadCurrentIO", 4)

    def read_max_data_lines(self):
        return self._register("DioReadMaxDataLines", 4)

    def read_status_register(self):
        return self._register("DioReadStatusRegister", 2)

    def write_program_counter(self, value):
        self._flag("DioWriteProgramCounter", buffers.word(value, "value"))

    def write_current_io(self, value):
        self._flag("DioWriteCurrentIO", buffers.word(value, "value"))

    # ---- Display: set-up and immediate drawing -------------------------------------------

    def setup_oled(self):
        """The status it writes is always 0; only the success flag tells a failure."""
        self._flag("DioSetupOLED", byref(c_int16(0)))

    def write_oled_row_val_imm(self, row, value):
        self._dio.DioWriteOLEDRowValImm(self.handle, buffers.byte(row, "row"), buffers.byte(value, "value"))

    def clear_oled_imm(self):
        self._dio.DIOClearOLEDImm(self.handle)

    def write_oled_pixel_pair_imm(self, column, row, pair):
        self._dio.DioWriteOLEDPixelPairImm(self.handle, buffers.byte(column, "column"),
                                           buffers.byte(row, "row"), buffers.byte(pair, "pair"))

    def write_oled_pixel_imm(self, x, row, level):
        self._dio.DioWriteOLEDPixelImm(self.handle, buffers.byte(x, "x"), buffers.byte(row, "row"),
                                       buffers.byte(level, "level"))

    def write_oled_arr_imm(self, x, row, data):
        pointer, size = buffers.readable(data, "data")
        self._dio.DioWriteOLEDArrImm(self.handle, buffers.byte(x, "x"), buffers.byte(row, "row"),
                                     pointer, size)

    def write_oled_row_arr_imm(self, row, data):
        pointer, _ = buffers.readable(data, "data", ROW_BYTES)
        self._dio.DioWriteOLEDRowArrImm(self.handle, buffers.byte(row, "row"), pointer)

    def write_oled_screen_arr_imm(self, data):
        pointer, _ = buffers.readable(data, "data", SCREEN_BYTES)
        self._dio.DioWriteOLEDScreenArrImm(self.handle, pointer)

    def write_oled_area_arr_imm(self, x, row, width, height, data):
        pointer = self._area(width, height, data)
        self._dio.DioWriteOLEDAreaArrImm(self.handle, buffers.byte(x, "x"), buffers.byte(row, "row"),
                                         width, height, pointer)

    def write_oled_2d_unpacked_arr_imm(self, columns):
        """columns: 256 bytes-like objects, one per pixel column, each with the 64 levels of
        that column (row 0 first)."""
        if len(columns) != COLUMNS:
            raise ValueError(f"columns must hold {COLUMNS} columns, not {len(columns)}")
        levels = (ctypes.c_uint8 * (COLUMNS * ROWS))()
        for x, column in enumerate(columns):
            view = memoryview(column).cast("B")
            if view.nbytes < ROWS:
                raise ValueError(f"column {x} must hold at least {ROWS} levels, not {view.nbytes}")
            levels[x * ROWS:(x + 1) * ROWS] = bytes(view[:ROWS])
        base = ctypes.addressof(levels)
        pointers = (c_void_p * COLUMNS)(*(base + x * ROWS for x in range(COLUMNS)))
        self._dio.DioWriteOLED2DUnpackedArrImm(self.handle, pointers)

    @staticmethod
    def _area(width, height, data):
        size = buffers.byte(width, "width") * buffers.byte(height, "height")
        return buffers.readable(data, "data", size)[0]

    # ---- Display: frame buffer -----------------------------------------------------------

    def write_oled_pixel_pair_buff(self, mode, column, row, pair):
        self._dio.DioWriteOLEDPixelPairBuff(self.handle, _mode(mode), buffers.byte(column, "column"),
                                            buffers.byte(row, "row"), buffers.byte(pair, "pair"))

    def write_oled_pixel_buff(self, mode, x, row, level):
        self._dio.DioWriteOLEDPixelBuff(self.handle, _mode(mode), buffers.byte(x, "x"),
                                        buffers.byte(row, "row"), buffers.byte(level, "level"))

    def write_oled_arr_buff(self, mode, x, row, data):
        pointer, size = buffers.readable(data, "data")
        self._dio.DioWriteOLEDArrBuff(self.handle, _mode(mode), buffers.byte(x, "x"),
                                      buffers.byte(row, "row"), pointer, size)

    def write_oled_row_arr_buff(self, mode, row, data):
        pointer, _ = buffers.readable(data, "data", ROW_BYTES)
        self._dio.DioWriteOLEDRowArrBuff(self.handle, _mode(mode), buffers.byte(row, "row"), pointer)

    def write_oled_screen_arr_buff(self, mode, data):
        pointer, _ = buffers.readable(data, "data", SCREEN_BYTES)
        self._dio.DioWriteOLEDScreenArrBuff(self.handle, _mode(mode), pointer)

    def write_oled_area_arr_buff(self, mode, x, row, width, height, data):
        pointer = self._area(width, height, data)
        self._dio.DioWriteOLEDAreaArrBuff(self.handle, _mode(mode), buffers.byte(x, "x"),
                                          buffers.byte(row, "row"), width, height, pointer)

    def send_oled_buff(self):
        self._dio.DioSendOLEDBuff(self.handle)

    def clear_oled_buff(self):
        self._dio.DioClearOLEDBuff(self.handle)

    # ---- Display: lines, text, bitmaps ---------------------------------------------------

    def write_oled_line_imm(self, x0, y0, x1, y1, level0, level1):
        self._dio.DioWriteOLEDLineImm(self.handle, *_line(x0, y0, x1, y1, level0, level1))

    def write_oled_line_buff(self, mode, x0, y0, x1, y1, level0, level1):
        self._dio.DioWriteOLEDLineBuff(self.handle, _mode(mode), *_line(x0, y0, x1, y1, level0, level1))

    def write_oled_char_imm(self, x, y, char):
        """char: a one-character str or a code 0..255 (codes below 32 and above 127 draw nothing)."""
        self._dio.DioWriteOLEDCharImm(self.handle, buffers.byte(x, "x"), buffers.byte(y, "y"),
                                      buffers.character(char))

    def write_oled_char_buff(self, mode, x, y, char):
        self._dio.DioWriteOLEDCharBuff(self.handle, _mode(mode), buffers.byte(x, "x"),
                                       buffers.byte(y, "y"), buffers.character(char))

    def write_oled_str_imm(self, x, y, text):
        self._dio.DioWriteOLEDStrImm(self.handle, buffers.byte(x, "x"), buffers.byte(y, "y"),
                                     buffers.text(text, "text"))

    def write_oled_str_buff(self, mode, x, y, text):
        self._dio.DioWriteOLEDStrBuff(self.handle, _mode(mode), buffers.byte(x, "x"),
                                      buffers.byte(y, "y"), buffers.text(text, "text"))

    def write_oled_area_bmp_imm(self, x, y, bitmap):
        self._dio.DioWriteOLEDAreaBMPImm(self.handle, buffers.byte(x, "x"), buffers.byte(y, "y"),
                                         bitmap.handle)

    def write_oled_area_bmp_buff(self, mode, x, y, bitmap):
        self._dio.DioWriteOLEDAreaBMPBuff(self.handle, _mode(mode), buffers.byte(x, "x"),
                                          buffers.byte(y, "y"), bitmap.handle)


def _mode(mode):
    """A blend mode: a BlendMode or any 32-bit value (values outside 0..4 draw nothing)."""
    return buffers.signed_word(mode, "mode")


def _line(x0, y0, x1, y1, level0, level1):
    names = ("x0", "y0", "x1", "y1", "level0", "level1")
    return [buffers.byte(value, name) for value, name in zip((x0, y0, x1, y1, level0, level1), names)]
