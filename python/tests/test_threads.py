"""Several Python threads sharing one card: their calls are serialised, nothing is torn."""
import threading
import time

import pytest

np = pytest.importorskip("numpy")

THREADS = 4
SECONDS = 3
WORDS = 1024


def test_four_threads_on_one_card_read_back_every_transfer_intact(card):
    failures, transfers = [], [0] * THREADS
    deadline = time.monotonic() + SECONDS

    def work(index):
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

    threads = [threading.Thread(target=work, args=(index,)) for index in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []
    assert min(transfers) > 0
