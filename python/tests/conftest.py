import pytest

import quorvel
from quorvel import simulator
from quorvel._library import exports


@pytest.fixture
def card():
    """An open card on a freshly reset simulator, with the open's own traffic cleared."""
    simulator.reset()
    with quorvel.Card() as opened:
        simulator.clear_log()
        yield opened
    simulator.reset()


def sent(device=None):
    """The bytes of each logged transaction (of one device, when given)."""
    return [t.out for t in simulator.transactions() if device is None or t.device == device]


def needs(*names):
    """Skips a test while the built library lacks one of these exports."""
    missing = [name for name in names if name in exports().missing]
    return pytest.mark.skipif(bool(missing), reason="not in the library yet: " + ", ".join(missing))
