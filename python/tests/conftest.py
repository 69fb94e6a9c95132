import pytest

import quorvel
from quorvel import simulator


@pytest.fixture
def card():
    """An open card on a freshly reset simulator in test time, with the open's own traffic
    cleared."""
    simulator.reset()
    simulator.set_clock(simulator.Clock.TEST)
    with quorvel.Card() as opened:
        simulator.clear_log()
        yield opened
    simulator.reset()


def sent(device=None):
    """The bytes of each logged transaction (of one device, when given)."""
    return [t.out for t in simulator.transactions() if device is None or t.device == device]

