"""Python bindings of QuorvelWCHDLL, the host library of the Quorvel digital-I/O card.

    import quorvel
    with quorvel.Card() as card:
        card.pattern.output[0:4] = [1, 2, 4, 8]
        card.pattern.arm()
        card.display.setup()
        card.display.text(8, 20, "Hello")
        card.display.show()

Every export is also a method of Card under its own name in snake case
(DioWriteOLEDStrBuff -> card.write_oled_str_buff). The library is found through
QUORVEL_LIBRARY (its path), then a copy installed inside this package, then the system's
loader. numpy and Pillow are needed only by the calls that take or return their objects.
quorvel.simulator drives the simulated card.
"""
from ._library import LibraryNotFoundError
from ._optional import MissingDependency
from .bitmap import Bitmap
from .card import BlendMode, Card
from .display import Display
from .errors import BUS_FAILURE, DioError, Status, error_message
from .pattern import Memory, PatternGenerator, PatternStatus

__version__ = "1.0.0"

__all__ = ["Bitmap", "BlendMode", "BUS_FAILURE", "Card", "DioError", "Display",
           "LibraryNotFoundError", "Memory", "MissingDependency", "PatternGenerator",
           "PatternStatus", "Status", "error_message"]
