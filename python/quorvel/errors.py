"""Status codes and the exception that carries them."""
from __future__ import annotations

import enum
from typing import Optional, Union

from ._library import exports


class Status(enum.IntEnum):
    """The library's status codes (0 and the twelve failures)."""

    OK = 0
    ALLOCATE_HANDLE = -1
    INVALID_CH367_HANDLE = -2
    IO_BASE_ADDRESS = -3
    STEP_SIZE = -4
    WRITE_TOO_LARGE = -5
    WRITE_ZERO_WORDS = -6
    READ_ZERO_WORDS = -7
    READ_SPI = -8
    STREAM_SPI = -9
    WRITE_SPI = -10
    INVALID_SPI_DEVICE = -11
    INVALID_BMP = -12


# The text of a failure that the library reports only through a success flag of 0.
BUS_FAILURE = "The bridge's bus gate did not respond: the SPI transaction failed."


def error_message(status: int) -> str:
    """DioGetErrorStr: the library's message for a status code."""
    message: bytes = exports().DioGetErrorStr(None, status)
    return message.decode("ascii")


class DioError(Exception):
    """A failure reported by a Dio export.

    status: the status code (a Status member), or None when the export reports failures only
    through its success flag (a transaction whose bus gate did not respond).
    message: the library's message for the status, or BUS_FAILURE.
    function: the export that failed.
    """

    def __init__(self, function: str, status: Optional[int] = None) -> None:
        self.function = function
        self.status = None if status is None else _as_status(status)
        self.message = BUS_FAILURE if status is None else error_message(status)
        code = "" if status is None else f" (status {int(status)})"
        super().__init__(f"{function}: {self.message}{code}")


def _as_status(code: int) -> Union[Status, int]:
    try:
        return Status(code)
    except ValueError:
        return code
