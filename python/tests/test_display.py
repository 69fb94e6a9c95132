"""Display exports through the bindings, checked on the simulated panel."""
import struct

import pytest

import quorvel
from quorvel import BlendMode, simulator

from conftest import sent


def test_frame_buffer_drawing_reaches_the_panel_when_sent(card):
    card.setup_oled()
    assert simulator.display_is_on()
    card.write_oled_pixel_buff(BlendMode.REPLACE, 3, 0, 9)
    card.write_oled_pixel_buff(BlendMode.MAX, 3, 0, 4)   # the brighter 9 stays
    card.write_oled_pixel_buff(BlendMode.XOR, 4, 0, 6)
    assert simulator.display_memory()[1:3] == b"\x00\x00"  # nothing sent yet
    card.send_oled_buff()
    assert simulator.display_memory()[1:3] == b"\x09\x60"


def test_setup_whose_last_transaction_fails_raises_without_a_status(card):
    simulator.inject_gate_fault(simulator.GateFault.STUCK_CLOSED_ON_OPEN)
    with pytest.raises(quorvel.DioError) as raised:
        card.setup_oled()
    simulator.clear_faults()
    assert raised.value.status is None
    assert raised.value.function == "DioSetupOLED"


def test_unpacked_screen_packs_two_columns_per_byte(card):
    card.write_oled_2d_unpacked_arr_imm([bytes([x & 0x0F]) * 64 for x in range(256)])
    row = bytes.fromhex("0123456789ABCDEF") * 16
    assert simulator.display_memory() == row * 64


@pytest.mark.parametrize("call", [
    lambda c: c.write_oled_row_arr_imm(0, bytes(127)),
    lambda c: c.write_oled_screen_arr_buff(BlendMode.OR, bytes(8191)),
    lambda c: c.write_oled_area_arr_imm(0, 0, 4, 2, bytes(7)),
    lambda c: c.write_oled_2d_unpacked_arr_imm([bytes(64)] * 255),
    lambda c: c.write_oled_2d_unpacked_arr_imm([bytes(63)] * 256),
    lambda c: c.write_oled_str_imm(0, 0, "A\0B"),
])
def test_buffers_shorter_than_the_export_reads_are_refused(card, call):
    with pytest.raises(ValueError):
        call(card)
    assert sent() == []


def test_text_and_characters(card):
    card.write_oled_char_imm(0, 0, "A")
    assert len(sent(1)) == 2 * 16  # an address command and a data frame per glyph row
    simulator.clear_log()
    card.write_oled_char_imm(0, 0, 200)  # no glyph: nothing drawn
    card.write_oled_str_buff(BlendMode.REPLACE, 0, 0, b"")
    assert sent() == []


def test_panel_matches_its_own_picture_and_not_a_changed_one(card, tmp_path):
    card.setup_oled()
    card.write_oled_str_imm(8, 8, "quorvel")
    reference = tmp_path / "reference.png"
    assert simulator.write_display_png(reference, scale=2)
    assert simulator.compare_display_png(reference) == (1, 0)
    card.write_oled_pixel_imm(250, 60, 15)
    diff = tmp_path / "diff.png"
    assert simulator.compare_display_png(reference, diff) == (0, 1)
    assert diff.exists()


GRAY_RAMP = [17 * level for level in range(16)]


def bmp_4bit(width, rows, grays=GRAY_RAMP):
    """A bottom-up 4-bit BMP whose pixel rows (top first, display-packed) are `rows`, with a
    palette of the `grays`."""
    row_size = ((4 * width + 31) >> 5) << 2
    pixels = b"".join(row.ljust(row_size, b"\0") for row in reversed(rows))
    offset = 14 + 40 + len(grays) * 4
    header = struct.pack("<2sIIIiiiHHIIiiII", b"BM", offset + len(pixels), 0, offset, 40, width,
                         len(rows), 1, 4, 0, len(pixels), 0, 0, len(grays), 0)
    return header + b"".join(bytes([gray] * 3 + [0]) for gray in grays) + pixels


def test_bitmap_drawn_straight_to_the_panel(card, tmp_path):
    path = tmp_path / "two_rows.bmp"
    path.write_bytes(bmp_4bit(8, [b"\x12\x34\x56\x78", b"\x9A\xBC\xDE\xF0"]))
    with quorvel.Bitmap(path) as bitmap:
        card.write_oled_area_bmp_imm(0, 10, bitmap)
    memory = simulator.display_memory()
    assert memory[10 * 128:10 * 128 + 4] == b"\x12\x34\x56\x78"
    assert memory[11 * 128:11 * 128 + 4] == b"\x9A\xBC\xDE\xF0"
    with pytest.raises(ValueError):
        bitmap.handle  # closed by the with block


@pytest.mark.parametrize("grays, warned", [
    (GRAY_RAMP, False), (GRAY_RAMP[:2], False),     # the ramp, or the start of it
    ([0, 255], True), (GRAY_RAMP[::-1], True),      # as other programs write them
])
def test_a_palette_other_than_the_gray_ramp_warns_and_points_at_dio_convert(
        card, tmp_path, recwarn, grays, warned):
    path = tmp_path / "picture.bmp"
    path.write_bytes(bmp_4bit(2, [b"\x10"], grays))
    with quorvel.Bitmap(path) as bitmap:
        card.write_oled_area_bmp_imm(0, 0, bitmap)
        card.write_oled_area_bmp_imm(0, 1, bitmap)
    messages = [str(warning.message) for warning in recwarn]
    assert len(messages) == warned and all("dio convert" in m for m in messages)
    assert simulator.display_memory()[0] == 0x10  # drawn by its indices all the same
