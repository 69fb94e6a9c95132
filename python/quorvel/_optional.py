"""numpy and Pillow are optional: they are imported when a call needs them, and a missing one
raises MissingDependency naming the package to install."""
from __future__ import annotations

import importlib
from types import ModuleType

# import name: (what to install on Debian, what to install with pip)
_PACKAGES = {"numpy": ("python3-numpy", "numpy"), "PIL": ("python3-pil", "Pillow")}


class MissingDependency(ImportError):
    """A call needs numpy or Pillow and it cannot be imported."""


def require(module: str, needed_by: str) -> ModuleType:
    """Imports `module` ("numpy" or "PIL.Image") for the call `needed_by`."""
    top = module.partition(".")[0]
    try:
        return importlib.import_module(module)
    except ImportError as error:
        debian, pip = _PACKAGES[top]
        raise MissingDependency(f"{needed_by} needs {pip} (Debian: {debian}; pip: {pip}), "
                                f"which cannot be imported: {error}") from error
