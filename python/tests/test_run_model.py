import time

import pytest

from quorvel import PatternStatus, simulator


def test_test_time_plays_one_word_per_sample_and_ends_halted(card):
    pattern = card.pattern
    pattern.output[0:4] = [0x10, 0x11, 0x12, 0x13]
    assert simulator.run_settings().pattern_length == 4
    pattern.arm()
    pattern.trigger()
    assert simulator.advance(2) == 2
    assert (pattern.program_counter, pattern.io_lines) == (2, 0x12)
    assert simulator.advance(10) == 2
    assert PatternStatus.HALTED in pattern.status
    assert (pattern.program_counter, pattern.io_lines) == (0, 0x13)


def test_settings_round_trip_and_out_of_range_values_raise(card):
    simulator.set_sample_rate(25_000_000)
    simulator.set_length(100)
    simulator.set_repeat(True)
    assert simulator.run_settings() == simulator.RunSettings(
        simulator.Clock.TEST, True, 25_000_000, 100, 100)
    simulator.set_length(None)
    assert simulator.run_settings().length is None
    for call in (lambda: simulator.set_sample_rate(0), lambda: simulator.set_length(65537),
                 lambda: simulator.set_length(True), lambda: simulator.advance(-1),
                 lambda: simulator.set_clock(5)):
        with pytest.raises(ValueError):
            call()
    assert simulator.run_settings().sample_rate == 25_000_000


def test_real_time_poll_loop_ends(card):
    simulator.set_clock(simulator.Clock.REAL)
    pattern = card.pattern
    pattern.output[0:1024] = list(range(1024))
    started = time.monotonic()
    pattern.arm()
    pattern.trigger()
    while PatternStatus.HALTED not in pattern.status:
        assert time.monotonic() - started < 2, "the pattern never ended"
    assert time.monotonic() - started >= 1024e-6
    assert pattern.io_lines == 1023
