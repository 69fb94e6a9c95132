"""Loads a pattern into the output memory, reads it back and arms the pattern generator, with the
quorvel package (python/quorvel). Exits with 0 when the pattern read back equals the one written.

Usage, with the package installed (pip install ./python) or on PYTHONPATH:
    QUORVEL_LIBRARY=build/dev/bin/libQuorvelWCHDLL.so python3 examples/python/load_pattern.py
"""
import struct
import sys

import quorvel


def main():
    words = [1 << i for i in range(8)]
    pattern = struct.pack(f"<{len(words)}I", *words)
    with quorvel.Card() as card:
        card.write_out_memory(0, pattern)
        back = card.read_out_memory(0, len(words))
        print("read back:", [hex(word) for word in struct.unpack(f"<{len(words)}I", back)])
        card.arm()
        print("armed")
    return 0 if back == pattern else 1


if __name__ == "__main__":
    sys.exit(main())
