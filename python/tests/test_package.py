"""The installed package: its version, where it finds the library, the simulated card file."""
import ast
import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

import quorvel
from quorvel import _library, simulator

ROOT = Path(__file__).resolve().parents[2]


def test_version_is_the_librarys():
    cmake = (ROOT / "CMakeLists.txt").read_text()
    assert quorvel.__version__ == re.search(r"QuorvelWCHDLL VERSION ([\d.]+)", cmake).group(1)


def test_a_missing_library_names_every_place_searched(monkeypatch):
    monkeypatch.delenv("QUORVEL_NOTHING", raising=False)
    with pytest.raises(quorvel.LibraryNotFoundError) as raised:
        _library._load("QUORVEL_NOTHING", "QuorvelNoSuchLibrary")
    message = str(raised.value)
    for place in ("QUORVEL_NOTHING (not set)",
                  str(_library.PACKAGE / _library.library_file_name("QuorvelNoSuchLibrary")),
                  str(ROOT / "build" / "dev" / "bin" / "libQuorvelNoSuchLibrary.so"),
                  "the system loader (libQuorvelNoSuchLibrary.so)"):
        assert place in message


def test_a_library_named_by_the_variable_is_the_only_place_tried(monkeypatch, tmp_path):
    monkeypatch.setenv("QUORVEL_NOTHING", str(tmp_path / "libQuorvelWCHDLL.so"))
    with pytest.raises(quorvel.LibraryNotFoundError, match="QUORVEL_NOTHING=.*no such file$"):
        _library._load("QUORVEL_NOTHING", "QuorvelWCHDLL")


def test_the_card_file_is_named_before_the_card_library_loads(tmp_path):
    """In a process where numpy and Pillow cannot be imported, as the package needs neither."""
    card_file = tmp_path / "card"
    program = ("import sys; sys.modules['numpy'] = sys.modules['PIL'] = None\n"
               "import os, quorvel; from quorvel import simulator\n"
               f"with simulator.open_card({str(card_file)!r}) as card: card.pattern.arm()\n"
               "print(os.environ['CH367SIM_CARD'])\n"
               "simulator.open_card('/elsewhere')\n")
    run = subprocess.run([sys.executable, "-c", program], capture_output=True, text=True,
                         env=dict(os.environ, PYTHONPATH=str(ROOT / "python")))
    assert run.stdout == f"{card_file}\n"
    assert "RuntimeError: the simulated card is already in use" in run.stderr


def test_a_relative_library_path_takes_the_simulator_beside_it(tmp_path):
    """The copies in tmp_path/bin, not the project's build, must be the card the program sees."""
    (tmp_path / "bin").mkdir()
    for name in ("QuorvelWCHDLL", _library.BRIDGE):
        source = Path(_library.exports().path).parent / _library.library_file_name(name)
        (tmp_path / "bin" / source.name).write_bytes(source.read_bytes())
    program = ("import quorvel; from quorvel import simulator\n"
               "with quorvel.Card(): print(simulator.is_open())\n")
    environment = dict(os.environ, PYTHONPATH=str(ROOT / "python"),
                       QUORVEL_LIBRARY="bin/libQuorvelWCHDLL.so")
    environment.pop("QUORVEL_SIMULATOR_LIBRARY", None)
    run = subprocess.run([sys.executable, "-c", program], capture_output=True, text=True,
                         cwd=tmp_path, env=environment)
    assert run.stdout == "True\n", run.stderr


@pytest.mark.parametrize("part", ["display", "pattern"])
def test_the_cards_parts_import_the_card_for_type_checking_only(part):
    tree = ast.parse((ROOT / "python" / "quorvel" / f"{part}.py").read_text())
    for_types = [node for block in ast.walk(tree)
                 if isinstance(block, ast.If) and getattr(block.test, "id", "") == "TYPE_CHECKING"
                 for node in ast.walk(block)]
    card_imports = [node for node in ast.walk(tree)
                    if isinstance(node, ast.ImportFrom) and node.module == "card"]
    assert all(node in for_types for node in card_imports)
