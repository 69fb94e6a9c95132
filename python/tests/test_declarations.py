"""Every export of the public header is declared, with the header's argument types, and has its
Python counterpart."""
import ctypes
import re
from ctypes import POINTER, c_char_p, c_int8, c_int16, c_int32, c_uint8, c_uint32, c_uint64, c_void_p
from pathlib import Path

import pytest

import quorvel
from quorvel._library import PROTOTYPES

INCLUDE = Path(__file__).resolve().parents[2] / "include"

# C type in the header -> ctypes type in the prototypes.
C_TYPES = {
    "void": None,
    "uint8_t": c_uint8, "int8_t": c_int8, "int16_t": c_int16, "int32_t": c_int32,
    "uint32_t": c_uint32, "uint64_t": c_uint64,
    "int16_t*": POINTER(c_int16),
    "const char*": c_char_p,
    "DioMasterHandle*": c_void_p, "DioMasterHandle**": POINTER(c_void_p),
    "DioBitmap*": c_void_p, "const DioBitmap*": c_void_p, "DioBitmap**": POINTER(c_void_p),
    "void*": c_void_p, "const void*": c_void_p,
    "uint8_t*": c_void_p, "const uint8_t*": c_void_p, "const uint8_t* const*": c_void_p,
}


def header_declarations():
    """name -> (result type, [argument types]) from the QUORVEL_API lines of the header."""
    text = (INCLUDE / "QuorvelWCHDLL.h").read_text()
    declarations = {}
    for match in re.finditer(r"QUORVEL_API\s+([^;]*?)\b(\w+)\s*\(([^)]*)\)\s*;", text):
        result, name, parameters = match.groups()
        arguments = []
        for parameter in parameters.split(","):
            words = " ".join(parameter.split())
            c_type = re.sub(r"\s*\w+$", "", words).replace(" *", "*")
            arguments.append(c_type)
        declarations[name] = (" ".join(result.split()).replace(" *", "*"), arguments)
    return declarations


def python_name(export):
    """DioWriteOLEDPixelImm -> write_oled_pixel_imm; DIOClearOLEDImm -> clear_oled_imm."""
    name = re.sub(r"^(Dio|DIO)", "", export).replace("OLED", "Oled").replace("2D", "2d")
    name = name.replace("ADRSR_", "Adrsr")
    words = r"(?<=[a-z0-9])(?=[A-Z])|(?<=[A-Z])(?=[A-Z][a-z])|(?<=[a-z])(?=[0-9])"
    return re.sub(words, "_", name).lower()


def test_the_prototypes_are_the_export_list():
    exported = (INCLUDE / "exports.txt").read_text().split()
    assert len(exported) == 56
    assert sorted(PROTOTYPES) == sorted(exported)
    assert sorted(header_declarations()) == sorted(exported)


@pytest.mark.parametrize("name", sorted(PROTOTYPES))
def test_prototype_matches_the_header(name):
    result, arguments = header_declarations()[name]
    expected_result = C_TYPES[result]
    expected_arguments = [C_TYPES[a] for a in arguments]
    assert PROTOTYPES[name] == (expected_result, expected_arguments)


MODULE_LEVEL = {"DioInitialize": "Card", "DioClose": "Card.close", "DioGetErrorStr": "error_message",
                "DioOpenBMP": "Bitmap", "DioCloseBMP": "Bitmap.close"}


@pytest.mark.parametrize("name", sorted(PROTOTYPES))
def test_every_export_has_its_python_counterpart(name):
    if name in MODULE_LEVEL:
        owner, _, attribute = MODULE_LEVEL[name].partition(".")
        target = getattr(quorvel, owner)
        assert attribute == "" or callable(getattr(target, attribute))
    else:
        assert callable(getattr(quorvel.Card, python_name(name)))

