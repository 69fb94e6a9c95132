"""card.display: the Python-side frame, text and lines over it, Pillow pictures."""
import pytest

from quorvel import BlendMode, _gray, simulator
from quorvel._gray import COLUMNS, ROWS

np = pytest.importorskip("numpy")
Image = pytest.importorskip("PIL.Image")


@pytest.fixture
def display(card):
    card.display.setup()
    return card.display


def test_frame_reaches_the_panel_only_at_show(display):
    display.frame[0, 0:4] = [1, 2, 15, 255]  # above 15 counts as 15
    display.frame[63, 255] = 9
    assert not simulator.panel_array().any()
    display.show()
    panel = simulator.panel_array()
    assert panel[0, 0:4].tolist() == [1, 2, 15, 15]
    assert panel[63, 255] == 9 and panel.sum() == 1 + 2 + 15 + 15 + 9
    assert display.levels[0:4] == bytes([1, 2, 15, 255])  # the frame itself is left as written


def test_text_and_lines_are_drawn_over_the_frame_at_every_show_until_clear(display):
    display.frame[:, :] = 3
    display.text(0, 0, "A")
    display.line(0, 40, 8, 40, level=9)
    display.text(0, 20, "B", mode=BlendMode.XOR)
    display.show()
    first = simulator.panel_array().copy()
    assert set(np.unique(first[0:16, 0:8])) == {0, 15}   # text replaces what lies under it
    assert first[40, 0:8].tolist() == [9] * 8
    assert set(np.unique(first[20:36, 0:8])) == {3, 12}  # 3 XOR 15
    display.frame[63, 255] = 1
    display.show()
    again = simulator.panel_array()
    assert (again[0:63] == first[0:63]).all() and again[63, 255] == 1
    display.clear()
    display.show()
    assert not simulator.panel_array().any()


@pytest.mark.parametrize("mode, size, gray, levels", [
    ("L", (3, 1), [0, 128, 255], [0, 8, 15]),
    ("RGB", (2, 1), [(255, 255, 255), (0, 0, 34)], [15, 0]),
    ("1", (2, 1), [1, 0], [15, 0]),
])
def test_image_maps_gray_to_the_nearest_level_without_dithering(display, mode, size, gray, levels):
    image = Image.new(mode, size)
    image.putdata(gray)
    display.image(image, 10, 5, dither=False)
    assert display.frame[5, 10:10 + size[0]].tolist() == levels
    assert display.frame.sum() == sum(levels)


def test_dithering_keeps_the_mean_gray_of_an_area(display):
    display.image(Image.new("L", (64, 64), 100), dither=True)  # 100 / 17 = 5.9
    area = display.frame[:, 0:64]
    assert set(np.unique(area)) == {5, 6} and abs(area.mean() * 17 - 100) < 1


def test_image_is_cut_at_the_frame_edges(display):
    display.image(Image.new("L", (10, 10), 255), 250, -4, dither=False)
    display.image(Image.new("L", (10, 10), 255), 300, 0, dither=False)  # wholly outside
    assert display.frame.sum() == 15 * 6 * 6
    assert display.frame[0:6, 250:256].min() == 15


@pytest.mark.parametrize("call", [
    lambda d: d.text(256, 0, "x"), lambda d: d.text(0, 0, "a\0b"),
    lambda d: d.line(0, 0, 300, 0), lambda d: d.line(0, 0, 1, 1, mode=1 << 31),
    lambda d: d.image(b"not an image"),
])
def test_bad_drawing_arguments_raise_at_the_call(display, call):
    with pytest.raises((ValueError, TypeError)):
        call(display)


def test_panel_image_is_the_written_picture(display, tmp_path):
    display.frame[10:20, 30:40] = 7
    display.text(100, 30, "png")
    display.show()
    reference = tmp_path / "panel.png"
    simulator.panel_image(scale=2).save(reference)
    assert simulator.compare_display_png(reference) == (1, 0)


@pytest.mark.parametrize("x, y", [(0, 0), (-30, -20), (200, 40), (-500, 0), (0, 70)])
def test_a_large_picture_gives_the_levels_of_its_whole_conversion(display, x, y):
    picture = Image.effect_noise((400, 100), 60).convert("L")
    display.image(picture, x, y, dither=True)
    width, _, everything = _gray.image_levels(picture, True)
    whole = np.frombuffer(everything, np.uint8).reshape(-1, width)
    top, left, bottom, right = max(y, 0), max(x, 0), min(ROWS, y + 100), min(COLUMNS, x + 400)
    expected = np.zeros((ROWS, COLUMNS), np.uint8)
    if top < bottom and left < right:
        expected[top:bottom, left:right] = whole[top - y:bottom - y, left - x:right - x]
    assert (display.frame == expected).all()
