"""Finding and loading the QuorvelWCHDLL library, with the C prototype of every export."""
import ctypes
import os
import sys
from ctypes import POINTER, c_char_p, c_int8, c_int16, c_int32, c_uint8, c_uint32, c_uint64, c_void_p
from pathlib import Path

# Argument types: handles, bitmaps and byte buffers are passed as void pointers (bytes objects
# and ctypes arrays both convert); the status is a pointer to a signed 16-bit code.
_HANDLE = c_void_p
_STATUS = POINTER(c_int16)
_BUFFER = c_void_p

# name: (result type, argument types), in the order of the public header.
PROTOTYPES = {
    "DioInitialize": (None, [c_void_p, POINTER(c_void_p), _STATUS]),
    "DioClose": (None, [_HANDLE]),
    "DioGetErrorStr": (c_char_p, [c_void_p, c_int16]),
    "DioStreamSPI": (None, [_HANDLE, c_uint8, _BUFFER, _BUFFER, c_uint64, _STATUS]),
    "DioWriteSPI": (None, [_HANDLE, c_uint8, _BUFFER, c_uint64, _STATUS]),
    "DioReadSPI": (None, [_HANDLE, c_uint8, _BUFFER, c_uint64, _STATUS]),
    "DioSetADRSR_Low": (c_int32, [_HANDLE, c_uint8]),
    "DioSetADRSR_High": (c_int32, [_HANDLE, c_uint8]),
    "DioArm": (c_uint8, [_HANDLE]),
    "DioHalt": (c_uint8, [_HANDLE]),
    "DioReset": (c_uint8, [_HANDLE]),
    "DioPause": (c_uint8, [_HANDLE]),
    "DioTrig": (c_uint8, [_HANDLE]),
    "DioResetDDS": (c_uint8, [_HANDLE]),
    "DioClearCtrlMemory": (c_uint8, [_HANDLE]),
    "DioClearOutMemory": (c_uint8, [_HANDLE]),
    "DioStep": (None, [_HANDLE, c_int32, _STATUS]),
    "DioSetupTriggerMode": (c_uint8, [_HANDLE, c_uint8, c_uint8]),
    "DioReadCtrlMemory": (None, [_HANDLE, _BUFFER, c_uint32, c_uint32, _STATUS]),
    "DioReadOutMemory": (None, [_HANDLE, _BUFFER, c_uint32, c_uint32, _STATUS]),
    "DioWriteCtrlMemory": (None, [_HANDLE, _BUFFER, c_uint32, c_uint32, _STATUS]),
    "DioWriteOutMemory": (None, [_HANDLE, _BUFFER, c_uint32, c_uint32, _STATUS]),
    "DioReadProgramCounter": (c_uint8, [_HANDLE, _BUFFER, _STATUS]),
    "DioReadCurrentIO": (c_uint8, [_HANDLE, _BUFFER, _STATUS]),
    "DioReadMaxDataLines": (c_uint8, [_HANDLE, _BUFFER, _STATUS]),
    "DioReadStatusRegister": (c_uint8, [_HANDLE, _BUFFER, _STATUS]),
    "DioWriteProgramCounter": (c_uint8, [_HANDLE, c_uint32]),
    "DioWriteCurrentIO": (c_uint8, [_HANDLE, c_uint32]),
    "DioSetupOLED": (c_uint8, [_HANDLE, _STATUS]),
    "DioWriteOLEDRowValImm": (None, [_HANDLE, c_uint8, c_uint8]),
    "DIOClearOLEDImm": (None, [_HANDLE]),
    "DioWriteOLEDPixelPairImm": (None, [_HANDLE, c_uint8, c_uint8, c_uint8]),
    "DioWriteOLEDPixelImm": (None, [_HANDLE, c_uint8, c_uint8, c_uint8]),
    "DioWriteOLEDArrImm": (None, [_HANDLE, c_uint8, c_uint8, _BUFFER, c_uint64]),
    "DioWriteOLEDRowArrImm": (None, [_HANDLE, c_uint8, _BUFFER]),
    "DioWriteOLEDScreenArrImm": (None, [_HANDLE, _BUFFER]),
    "DioWriteOLEDAreaArrImm": (None, [_HANDLE, c_uint8, c_uint8, c_uint8, c_uint8, _BUFFER]),
    "DioWriteOLED2DUnpackedArrImm": (None, [_HANDLE, _BUFFER]),
    "DioWriteOLEDPixelPairBuff": (None, [_HANDLE, c_int32, c_uint8, c_uint8, c_uint8]),
    "DioWriteOLEDPixelBuff": (None, [_HANDLE, c_int32, c_uint8, c_uint8, c_uint8]),
    "DioWriteOLEDArrBuff": (None, [_HANDLE, c_int32, c_uint8, c_uint8, _BUFFER, c_uint64]),
    "DioWriteOLEDRowArrBuff": (None, [_HANDLE, c_int32, c_uint8, _BUFFER]),
    "DioWriteOLEDScreenArrBuff": (None, [_HANDLE, c_int32, _BUFFER]),
    "DioWriteOLEDAreaArrBuff": (None, [_HANDLE, c_int32, c_uint8, c_uint8, c_uint8, c_uint8, _BUFFER]),
    "DioSendOLEDBuff": (None, [_HANDLE]),
    "DioClearOLEDBuff": (None, [_HANDLE]),
    "DioWriteOLEDLineImm": (None, [_HANDLE, c_uint8, c_uint8, c_uint8, c_uint8, c_uint8, c_uint8]),
    "DioWriteOLEDLineBuff": (None, [_HANDLE, c_int32, c_uint8, c_uint8, c_uint8, c_uint8, c_uint8, c_uint8]),
    "DioWriteOLEDCharImm": (None, [_HANDLE, c_uint8, c_uint8, c_int8]),
    "DioWriteOLEDCharBuff": (None, [_HANDLE, c_int32, c_uint8, c_uint8, c_int8]),
    "DioWriteOLEDStrImm": (None, [_HANDLE, c_uint8, c_uint8, c_char_p]),
    "DioWriteOLEDStrBuff": (None, [_HANDLE, c_int32, c_uint8, c_uint8, c_char_p]),
    "DioOpenBMP": (c_void_p, [c_void_p, c_char_p, _STATUS]),
    "DioCloseBMP": (None, [c_void_p, POINTER(c_void_p)]),
    "DioWriteOLEDAreaBMPImm": (None, [_HANDLE, c_uint8, c_uint8, c_void_p]),
    "DioWriteOLEDAreaBMPBuff": (None, [_HANDLE, c_int32, c_uint8, c_uint8, c_void_p]),
}


def library_file_name(base):
    """The file name of a shared library called `base` on this platform."""
    if sys.platform == "win32":
        return base + ".dll"
    if sys.platform == "darwin":
        return "lib" + base + ".dylib"
    return "lib" + base + ".so"


def _candidates(variable, base):
    """Where to look for a library: the environment variable, beside the package, the build."""
    if os.environ.get(variable):
        yield Path(os.environ[variable])
        return
    name = library_file_name(base)
    package = Path(__file__).resolve().parent
    yield package / name
    yield package.parent / name
    yield package.parent.parent / "build" / "dev" / "bin" / name
    yield Path(name)  # the system's own search


def _load(variable, base):
    tried = []
    for path in _candidates(variable, base):
        if path.is_absolute() and not path.exists():
            tried.append(str(path))
            continue
        if sys.platform == "win32" and path.is_absolute():
            os.add_dll_directory(str(path.parent))  # where its dependencies are found
        try:
            return ctypes.CDLL(str(path))
        except OSError as error:
            tried.append(f"{path} ({error})")
    raise OSError(f"cannot load {base}; set {variable} to its path. Tried: " + "; ".join(tried))


class Exports:
    """The library's exports with their prototypes. An export that the loaded library lacks
    raises NotImplementedError when it is called."""

    def __init__(self, library):
        self.library = library
        self.path = library._name
        self.missing = []
        for name, (result, arguments) in PROTOTYPES.items():
            try:
                function = getattr(library, name)
            except AttributeError:
                self.missing.append(name)
                setattr(self, name, _missing(name, self.path))
                continue
            function.restype = result
            function.argtypes = arguments
            setattr(self, name, function)


def _missing(name, path):
    def call(*_):
        raise NotImplementedError(f"{name} is not exported by {path}")
    return call


_exports = None


def exports():
    """The loaded library (loaded on first use)."""
    global _exports
    if _exports is None:
        _exports = Exports(_load("QUORVEL_LIBRARY", "QuorvelWCHDLL"))
    return _exports


def load_simulator():
    """The simulator library CH367DLL64: QUORVEL_SIMULATOR_LIBRARY, or the one beside the
    card library."""
    if not os.environ.get("QUORVEL_SIMULATOR_LIBRARY"):
        beside = Path(exports().path).parent / library_file_name("CH367DLL64")
        if beside.exists():
            return ctypes.CDLL(str(beside))
    return _load("QUORVEL_SIMULATOR_LIBRARY", "CH367DLL64")
