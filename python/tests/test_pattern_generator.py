"""Pattern-generator exports through the bindings, checked on the simulated bus and device."""
import array

import pytest

from quorvel import DioError, Status, simulator

from conftest import sent


@pytest.mark.parametrize("method, opcode", [
    ("arm", b"a"), ("halt", b"h"), ("reset", b"h"), ("pause", b"p"), ("trig", b"r"),
    ("reset_dds", b"i"), ("clear_ctrl_memory", b"z"), ("clear_out_memory", b"Z")])
def test_one_byte_commands(card, method, opcode):
    getattr(card, method)()
    assert sent() == [opcode]


def test_commands_with_arguments(card):
    card.step(300)
    card.setup_trigger_mode(1, 2)
    card.write_program_counter(7)
    card.write_current_io(5)
    assert sent() == [b"j", b"\x2c\x01\x00\x00", b"t", b"\x01", b"\x02", b"x", b"\x07\x00\x00\x00",
                      b"p", b"m", b"\x05\x00\x00\x00"]


@pytest.mark.parametrize("data", [
    bytes(range(16)), bytearray(range(16)), memoryview(bytes(range(16))),
    array.array("I", [0x03020100, 0x07060504, 0x0B0A0908, 0x0F0E0D0C])])
def test_memory_round_trip_takes_any_bytes_like_buffer(card, data):
    card.write_out_memory(4, data)
    assert card.read_out_memory(4, 4) == bytes(range(16))
    assert simulator.pattern_generator().out_memory[4] == 0x03020100


def test_control_and_output_memories_are_separate(card):
    card.write_ctrl_memory(0, b"\x01\x00\x00\x00")
    assert card.read_ctrl_memory(0, 1) == b"\x01\x00\x00\x00"
    assert card.read_out_memory(0, 1) == bytes(4)


def test_register_reads_return_the_little_endian_value(card):
    card.write_program_counter(0x12345)
    assert card.read_program_counter() == 0x12345
    card.write_current_io(0xA5)
    assert card.read_current_io() == 0xA5
    assert card.read_max_data_lines() == 32
    card.arm()
    assert card.read_status_register() & 0x0001  # armed


@pytest.mark.parametrize("call, status", [
    (lambda c: c.step(0), Status.STEP_SIZE),
    (lambda c: c.write_ctrl_memory(0, b""), Status.WRITE_ZERO_WORDS),
    (lambda c: c.read_out_memory(0, 0), Status.READ_ZERO_WORDS),
    (lambda c: c.write_spi(6, b"x"), Status.INVALID_SPI_DEVICE),
    (lambda c: c.read_spi(6, 1), Status.INVALID_SPI_DEVICE),
    (lambda c: c.stream_spi(6, count=1), Status.INVALID_SPI_DEVICE)])
def test_rejected_arguments_raise_with_their_status_and_send_nothing(card, call, status):
    with pytest.raises(DioError) as raised:
        call(card)
    assert raised.value.status is status
    assert sent() == []


@pytest.mark.parametrize("call, status", [
    (lambda c: c.read_program_counter(), Status.READ_SPI),
    (lambda c: c.read_ctrl_memory(0, 1), Status.READ_SPI),
    (lambda c: c.write_spi(3, b"x"), Status.WRITE_SPI),
    (lambda c: c.stream_spi(3, b"x"), Status.STREAM_SPI),
    (lambda c: c.read_spi(3, 1), Status.READ_SPI)])
def test_failed_transactions_raise_the_exports_status(card, call, status):
    simulator.inject_gate_fault(simulator.GateFault.STUCK_CLOSED_ON_OPEN)
    with pytest.raises(DioError) as raised:
        call(card)
    simulator.clear_faults()
    assert raised.value.status is status


@pytest.mark.parametrize("call", [
    lambda c: c.write_ctrl_memory(0, b"\x01\x02\x03"),  # not whole words
    lambda c: c.read_out_memory(0, 1 << 30),            # 4 x words past 32 bits
])
def test_memory_transfers_the_library_cannot_move_are_refused(card, call):
    with pytest.raises(ValueError):
        call(card)
    assert sent() == []


def test_raw_spi_sends_and_receives(card):
    card.write_spi(2, b"\x01\x02")
    assert card.read_spi(0, 2) == b"\x00\x00"
    assert card.stream_spi(3, count=2) == b"\xff\xff"  # nothing attached: the bus floats
    assert sent() == [b"\x01\x02", b"\x00\x00", b"\x00\x00"]


def test_address_registers(card):
    assert card.set_adrsr_low(0x12) == 1
    assert simulator.register(0xF0) == 0x12
    card.set_adrsr_high(0x00)
    assert simulator.line_register() == 0x00
