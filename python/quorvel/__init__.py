"""Python bindings of QuorvelWCHDLL, the host library of the Quorvel digital-I/O card.

    import quorvel
    with quorvel.Card() as card:
        card.write_ctrl_memory(0, bytes(8))
        card.arm()

The library is found through QUORVEL_LIBRARY (its path), beside this package, or in the
project's build directory (build/dev/bin). quorvel.simulator drives the simulated card.
"""
from .bitmap import Bitmap
from .card import BlendMode, Card
from .errors import BUS_FAILURE, DioError, Status, error_message

__all__ = ["Bitmap", "BlendMode", "BUS_FAILURE", "Card", "DioError", "Status", "error_message"]
