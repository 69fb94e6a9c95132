"""Several Python threads on one card: their calls are serialised, nothing is torn."""
import threading
import time

import pytest

import quorvel

np = pytest.importorskip("numpy")

THREADS = 4
SECONDS = 3
WORDS = 1024


def work(card, index, deadline, failures, transfers):
    generator = np.random.default_rng(index)
    memory = card.pattern.output if index % 2 else card.pattern.control
    start = (index // 2) * WORDS  # each thread its own words
    try:
        while time.monotonic() < deadline:
            words = generator.integers(0, 1 << 32, WORDS, dtype=np.uint32)
            memory[start:start + WORDS] = words
            card.pattern.io_lines = int(words[0])
            if not (memory[start:start + WORDS] == words).all():
                failures.append(f"thread {index}: words read back differ")
            card.display.show()
            transfers[index] += 1
    except Exception as error:  # reported by the test, not lost in the thread
        failures.append(f"thread {index}: {error!r}")


@pytest.mark.parametrize("cards", ["shared", "one each"])
def test_four_threads_read_back_every_transfer_intact(card, cards):
    own = [quorvel.Card() for _ in range(THREADS)] if cards == "one each" else [card] * THREADS
    failures, transfers = [], [0] * THREADS
    deadline = time.monotonic() + SECONDS
    threads = [threading.Thread(target=work,
                                args=(own[index], index, deadline, failures, transfers))
               for index in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for opened in own:
        if opened is not card:
            opened.close()
    assert failures == []
    assert min(transfers) > 0
