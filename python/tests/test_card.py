"""Opening and closing the card, and how failures reach Python."""
import pytest

import quorvel
from quorvel import DioError, Status, simulator


def test_with_block_opens_the_bridge_and_closes_it():
    simulator.reset()
    with quorvel.Card() as card:
        assert simulator.is_open()
        assert not card.closed
    assert card.closed
    assert not simulator.is_open()
    card.close()  # a second close does nothing
    assert simulator.counters().closes == 1


@pytest.mark.parametrize("fault, status", [(simulator.fail_open, Status.INVALID_CH367_HANDLE),
                                           (simulator.fail_io_base, Status.IO_BASE_ADDRESS)])
def test_failed_open_raises_with_the_status_and_its_message(fault, status):
    simulator.reset()
    fault(True)
    with pytest.raises(DioError) as raised:
        quorvel.Card()
    simulator.reset()
    assert raised.value.status is status
    assert raised.value.message == quorvel.error_message(status)
    assert raised.value.function == "DioInitialize"


def test_a_closed_card_refuses_calls_before_reaching_the_library(card):
    card.close()
    with pytest.raises(ValueError):
        card.arm()
    assert simulator.transactions() == []


@pytest.mark.parametrize("status, message", [
    (0, "OK"), (4, "OK"), (-5, "Error: Number of bytes to write is larger than available memory."),
    (-12, "Error: Tried to open invalid BMP file.")])
def test_error_message(status, message):
    assert quorvel.error_message(status) == message


def test_a_success_flag_of_zero_raises_without_a_status(card):
    simulator.inject_gate_fault(simulator.GateFault.STUCK_CLOSED_ON_OPEN, 1)
    with pytest.raises(DioError) as raised:
        card.arm()
    assert raised.value.status is None
    assert raised.value.message == quorvel.BUS_FAILURE
    card.arm()  # the fault hit one transaction only


def test_bitmap_that_does_not_open_names_the_file(tmp_path):
    missing = tmp_path / "missing.bmp"
    with pytest.raises(FileNotFoundError) as raised:
        quorvel.Bitmap(missing)
    assert str(raised.value) == f"cannot open '{missing}': No such file or directory"
    with pytest.raises(IsADirectoryError):
        quorvel.Bitmap(tmp_path)


@pytest.mark.parametrize("call", [
    lambda c: c.write_program_counter(1 << 32),
    lambda c: c.setup_trigger_mode(256, 0),
    lambda c: c.step(1 << 31),
    lambda c: c.write_spi(-1, b"x"),
    lambda c: simulator.set_line_register(0x1FF),
])
def test_values_out_of_their_c_range_are_refused_not_truncated(card, call):
    with pytest.raises(ValueError):
        call(card)
    assert simulator.transactions() == []


@pytest.mark.parametrize("call, message", [
    (lambda c: c.pattern.__setattr__("io_lines", 1.9), "value must be an integer, not float"),
    (lambda c: c.pattern.__setattr__("io_lines", "5"), "value must be an integer, not str"),
    (lambda c: c.pattern.__setattr__("program_counter", True), "value must be an integer, not a b"),
    (lambda c: c.pattern.step(2.5), "size must be an integer, not float"),
    (lambda c: c.read_spi(2, 2.0), "count must be an integer, not float"),
    (lambda c: c.stream_spi(2, count=2.0), "count must be an integer, not float"),
    (lambda c: c.write_oled_pixel_imm(1.0, 0, 15), "x must be an integer, not float"),
    (lambda c: c.write_oled_char_imm(0, 0, 65.0), "character must be an integer, not float"),
    (lambda c: c.write_oled_str_imm(0, 0, 123), "text must be str or bytes, not int"),
    (lambda c: c.display.text(0, 0, 123), "text must be str or bytes, not int"),
    (lambda c: c.display.line(0, 0, 9.5, 0), "x1 must be an integer, not float"),
    (lambda c: simulator.register(1.0), "offset must be an integer, not float"),
    (lambda c: simulator.inject_gate_fault(simulator.GateFault.OK, 0.5), "nth must be an integer"),
])
def test_integer_arguments_take_integers_only(card, call, message):
    with pytest.raises(TypeError, match=message):
        call(card)
    assert simulator.transactions() == []


def test_integer_like_arguments_are_taken(card):
    np = pytest.importorskip("numpy")
    card.pattern.io_lines = np.uint32(0xA5)
    card.write_oled_pixel_buff(quorvel.BlendMode.OR, np.int64(3), 0, 9)
    assert card.pattern.io_lines == 0xA5
