"""The blend modes of the frame-buffer drawers, shared by the card and its display."""
import enum


class BlendMode(enum.IntEnum):
    """How a frame-buffer drawer combines new pixels with the frame buffer (any other value
    draws nothing)."""

    REPLACE = 0
    OR = 1
    MAX = 2
    XOR = 3
    NONZERO_REPLACE = 4
