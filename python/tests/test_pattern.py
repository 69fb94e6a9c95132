"""card.pattern: the memories as arrays, the registers as properties, run control."""
import array
import ctypes

import pytest

from quorvel import PatternStatus, simulator

np = pytest.importorskip("numpy")

WORDS = [0x03020100, 0xFFFFFFFF, 0, 0x80000001]


@pytest.mark.parametrize("words", [
    np.array(WORDS, dtype=np.uint32), np.array(WORDS, dtype=np.int64), np.array(WORDS, ">u4"),
    array.array("I", WORDS), (ctypes.c_uint32 * 4)(*WORDS), WORDS,
    bytes.fromhex("00010203 ffffffff 00000000 01000080")])
def test_slice_writes_take_arrays_buffers_and_integers(card, words):
    card.pattern.output[8:12] = words
    assert simulator.pattern_generator().out_memory[8:12].tolist() == WORDS
    read = card.pattern.output[8:12]
    assert read.dtype == np.uint32 and read.tolist() == WORDS


def test_words_and_memories(card):
    control = card.pattern.control
    control[5] = 7
    control[6:] = [8, 9]          # an open end writes every word given
    assert control[5] == 7 and control[4:8].tolist() == [0, 7, 8, 9]
    assert card.pattern.output[4:8].tolist() == [0, 0, 0, 0]
    control.clear()
    assert control[6] == 0
    simulator.clear_log()
    control[3:3] = []             # empty slices, as in Python: nothing sent
    assert control[3:3].size == 0 and simulator.transactions() == []


def test_a_read_of_8192_words_or_more_succeeds(card):
    card.pattern.output[0:8192] = np.arange(8192)
    assert (card.pattern.output[0:8192] == np.arange(8192)).all()


@pytest.mark.parametrize("write, error", [
    (lambda m: m.__setitem__(slice(0, 3), [1, 2]), ValueError),        # 3 words, 2 given
    (lambda m: m.__setitem__(0, -1), ValueError),
    (lambda m: m.__setitem__(0, 1 << 32), ValueError),
    (lambda m: m.__setitem__(slice(0, 1), np.array([-1])), ValueError),
    (lambda m: m.__setitem__(slice(0, 1), np.array([1.5])), TypeError),
    (lambda m: m.__setitem__(slice(0, 1), array.array("d", [1.0])), TypeError),
    (lambda m: m.__setitem__(slice(0, 1), b"\x01\x02\x03"), ValueError),
    (lambda m: m.__setitem__(slice(0, 4), [1, 2, 3.9, 4]), TypeError),
    (lambda m: m.__setitem__(slice(0, 2), [1, True]), TypeError),
    (lambda m: m.__setitem__(0, "5"), TypeError),
    (lambda m: m[1.5], TypeError),
    (lambda m: m[0:4:2], ValueError),
    (lambda m: m[-1], IndexError),
    (lambda m: m[65536], IndexError),                                  # past the last word
    (lambda m: m[65535:65537], IndexError),
    (lambda m: m.read(65530, 7), IndexError),
    (lambda m: m.__setitem__(65536, 1), IndexError),
    (lambda m: m.__setitem__(slice(65535, None), [1, 2]), IndexError),
    (lambda m: m.write(65535, np.arange(2)), IndexError),
])
def test_bad_words_and_addresses_are_refused_before_anything_is_sent(card, write, error):
    with pytest.raises(error):
        write(card.pattern.output)
    assert simulator.transactions() == []


def test_registers_and_run_control(card):
    pattern = card.pattern
    pattern.output[0:3] = [0x11, 0x22, 0x33]
    pattern.arm()
    assert pattern.status == PatternStatus.ARMED
    pattern.trigger()
    assert pattern.io_lines == 0x11 and PatternStatus.RUNNING in pattern.status
    pattern.pause()
    pattern.step(2)
    assert (pattern.program_counter, pattern.io_lines) == (2, 0x33)
    pattern.program_counter = 1
    pattern.io_lines = 0xA5
    assert (pattern.program_counter, pattern.io_lines, pattern.data_lines) == (1, 0xA5, 32)
    pattern.halt()
    assert pattern.status == PatternStatus.HALTED and pattern.program_counter == 0


def test_reads_and_writes_reach_the_last_word_alike(card):
    output = card.pattern.output
    assert len(output) == 65536
    output[65534:] = [5, 6]
    assert output[65534:].tolist() == [5, 6] and output[65535] == 6
    assert output[0:].size == 65536 and output[65536:].size == 0


def test_status_keeps_error_bits_with_the_run_state(card):
    card.write_out_memory(65535, bytes(8))  # past the end of the simulated memory
    assert card.pattern.status == PatternStatus.HALTED | PatternStatus.RANGE_ERROR
