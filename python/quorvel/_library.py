"""Finding and loading the QuorvelWCHDLL library, with the C prototype of every export."""
from __future__ import annotations

import ctypes
import ctypes.util
import os
import sys
from ctypes import POINTER, c_char_p, c_int8, c_int16, c_int32, c_uint8, c_uint32, c_uint64, c_void_p
from pathlib import Path
from typing import Any, Callable, Optional

# Argument types: handles, bitmaps and byte buffers are passed as void pointers (bytes objects
# and ctypes arrays both convert); the status is a pointer to a signed 16-bit code.
_HANDLE = c_void_p
_STATUS = POINTER(c_int16)
_BUFFER = c_void_p

# name: (result type, argument types), in the order of the public header.
PROTOTYPES: dict[str, tuple[Any, list[Any]]] = {
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


def library_file_name(base: str) -> str:
    """The file name of a shared library called `base` on this platform."""
    if sys.platform == "win32":
        return base + ".dll"
    if sys.platform == "darwin":
        return "lib" + base + ".dylib"
    return "lib" + base + ".so"


PACKAGE = Path(__file__).resolve().parent
# The bridge's driver library, which the card library imports.
BRIDGE = "CH367DLL64"


class LibraryNotFoundError(OSError):
    """The card library (or the simulator's) could not be loaded from any place searched."""


def _load(variable: str, base: str) -> ctypes.CDLL:
    """Loads `base` from the path in `variable` alone when that is set; otherwise from the copy
    installed inside the package, then (from the source tree) the project's build, then through
    the system's loader."""
    name = library_file_name(base)
    override = os.environ.get(variable)
    if override:
        return _load_file(Path(override), f"{variable}={override}", [])
    tried = [f"{variable} (not set)"]
    copy = PACKAGE / name
    if copy.exists():
        return _load_file(copy, f"the package's copy {copy}", tried)
    tried.append(f"the package's copy {copy}: no such file")
    if (PACKAGE.parent / "pyproject.toml").exists():
        # The package runs from the project's source tree (python/ on PYTHONPATH): its build.
        built = PACKAGE.parent.parent / "build" / "dev" / "bin" / name
        if built.exists():
            return _load_file(built, f"the project's build {built}", tried)
        tried.append(f"the project's build {built}: no such file")
    try:
        if sys.platform == "win32":
            # The standard search order, PATH included, which a bare name does not get here.
            return ctypes.CDLL(ctypes.util.find_library(base) or name, winmode=0)
        return ctypes.CDLL(name)
    except OSError as error:
        tried.append(f"the system loader ({name}): {error}")
    raise _not_found(base, tried)


def _load_file(path: Path, description: str, tried: list[str]) -> ctypes.CDLL:
    # Loaded by its absolute path, so the simulator library beside it is found from that path
    # whatever the working directory is later.
    path = path.absolute()
    if not path.exists():
        raise _not_found(path.name, tried + [f"{description}: no such file"])
    bridge = path.parent / library_file_name(BRIDGE)
    if sys.platform == "win32":
        os.add_dll_directory(str(path.parent))  # where its dependencies are found
    elif bridge.exists() and bridge != path:
        # A bridge library beside the card library is the one it imports: loaded first, it
        # satisfies that import whatever the card library's own search path says.
        ctypes.CDLL(str(bridge), mode=ctypes.RTLD_GLOBAL)
    try:
        return ctypes.CDLL(str(path))
    except OSError as error:
        raise _not_found(path.name, tried + [f"{description}: {error}"]) from error


def _not_found(base: str, tried: list[str]) -> LibraryNotFoundError:
    return LibraryNotFoundError(f"cannot load {base}. Searched: " + "; ".join(tried))


class Exports:
    """The library's exports with their prototypes. An export that the loaded library lacks
    raises NotImplementedError when it is called."""

    def __init__(self, library: ctypes.CDLL) -> None:
        self.library = library
        self.path: str = library._name
        self.missing: list[str] = []
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

    def __getattr__(self, name: str) -> Any:
        """The exports, set in __init__ (this tells type checkers they exist)."""
        raise AttributeError(name)


def _missing(name: str, path: str) -> Callable[..., Any]:
    def call(*_: object) -> Any:
        raise NotImplementedError(f"{name} is not exported by {path}")
    return call


_exports: Optional[Exports] = None


def exports() -> Exports:
    """The loaded library (loaded on first use)."""
    global _exports
    if _exports is None:
        _exports = Exports(_load("QUORVEL_LIBRARY", "QuorvelWCHDLL"))
    return _exports


def is_loaded() -> bool:
    return _exports is not None


def load_simulator() -> ctypes.CDLL:
    """The simulator library CH367DLL64: QUORVEL_SIMULATOR_LIBRARY, or the one beside the
    card library, or the one the system's loader finds (the card library's own import)."""
    if not os.environ.get("QUORVEL_SIMULATOR_LIBRARY"):
        beside = Path(exports().path).parent / library_file_name(BRIDGE)
        if beside.is_absolute() and beside.exists():
            return ctypes.CDLL(str(beside))
    return _load("QUORVEL_SIMULATOR_LIBRARY", BRIDGE)
