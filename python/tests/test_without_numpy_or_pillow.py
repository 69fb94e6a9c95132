"""The package without numpy and Pillow: what needs them says so, the rest works."""
import sys

import pytest

from quorvel import MissingDependency, simulator


@pytest.fixture
def no_numpy_or_pillow(monkeypatch):
    for module in [name for name in sys.modules if name.split(".")[0] in ("numpy", "PIL")]:
        monkeypatch.delitem(sys.modules, module)
    monkeypatch.setitem(sys.modules, "numpy", None)  # makes `import numpy` fail
    monkeypatch.setitem(sys.modules, "PIL", None)


@pytest.mark.parametrize("call, names", [
    (lambda card: card.pattern.output[0:4], "numpy (Debian: python3-numpy"),
    (lambda card: card.display.frame, "numpy (Debian: python3-numpy"),
    (lambda card: simulator.panel_array(), "numpy (Debian: python3-numpy"),
    (lambda card: card.display.image(object()), "Pillow (Debian: python3-pil"),
    (lambda card: simulator.panel_image(), "Pillow (Debian: python3-pil"),
])
def test_calls_that_need_them_name_the_package(card, no_numpy_or_pillow, call, names):
    with pytest.raises(MissingDependency, match=names.replace("(", r"\(")):
        call(card)


def test_words_levels_text_and_the_panel_work_without_them(card, no_numpy_or_pillow):
    card.pattern.output[0:2] = [5, 6]
    assert card.pattern.output[1] == 6
    card.display.setup()
    card.display.levels[0:2] = b"\x0f\x03"
    card.display.text(0, 16, "ok")
    card.display.show()
    assert simulator.panel_levels()[0:2] == b"\x0f\x03"


def test_pillow_alone_converts_images(card, monkeypatch):
    Image = pytest.importorskip("PIL.Image")
    monkeypatch.setitem(sys.modules, "numpy", None)
    card.display.image(Image.new("L", (2, 1), 255), dither=False)
    assert card.display.levels[0:3] == b"\x0f\x0f\x00"
