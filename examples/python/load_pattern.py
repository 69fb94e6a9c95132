"""Loads a pattern into the output memory, reads it back and arms the pattern generator.

Usage: python3 load_pattern.py [path of the QuorvelWCHDLL library]
Exits with 0 when the pattern read back equals the one written.
"""
import ctypes
import sys
from ctypes import POINTER, byref, c_char_p, c_int16, c_uint8, c_uint32, c_void_p

DEFAULT_LIBRARY = "QuorvelWCHDLL.dll" if sys.platform == "win32" else "libQuorvelWCHDLL.so"


def load_library(path):
    dio = ctypes.CDLL(path)
    dio.DioInitialize.argtypes = [c_void_p, POINTER(c_void_p), POINTER(c_int16)]
    dio.DioClose.argtypes = [c_void_p]
    dio.DioGetErrorStr.argtypes = [c_void_p, c_int16]
    dio.DioGetErrorStr.restype = c_char_p
    for name in ("DioWriteOutMemory", "DioReadOutMemory"):
        getattr(dio, name).argtypes = [c_void_p, c_void_p, c_uint32, c_uint32, POINTER(c_int16)]
    dio.DioArm.argtypes = [c_void_p]
    dio.DioArm.restype = c_uint8
    return dio


def main():
    dio = load_library(sys.argv[1] if len(sys.argv) > 1 else DEFAULT_LIBRARY)
    card, status = c_void_p(), c_int16()
    dio.DioInitialize(None, byref(card), byref(status))
    print("open:", dio.DioGetErrorStr(None, status.value).decode())
    if status.value != 0:
        dio.DioClose(card)
        return 1

    pattern = (c_uint32 * 8)(*(1 << i for i in range(8)))
    status.value = 0  # memory writes leave the status alone on success
    dio.DioWriteOutMemory(card, pattern, 0, len(pattern), byref(status))
    back = (c_uint32 * len(pattern))()
    dio.DioReadOutMemory(card, back, 0, len(back), byref(status))
    print("read back", status.value, "bytes:", [hex(word) for word in back])
    armed = dio.DioArm(card)
    print("armed:", armed)
    dio.DioClose(card)
    return 0 if list(back) == list(pattern) and armed == 1 else 1


if __name__ == "__main__":
    sys.exit(main())
