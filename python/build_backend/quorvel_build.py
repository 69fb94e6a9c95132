"""The package's build backend: setuptools' own, with nothing to download.

pip and `python3 -m build` build in an isolated environment that hides the interpreter's own
packages and would download setuptools and wheel into it. Here they are taken from the
interpreter's own site directories instead, so the package builds on a machine that reaches no
package index."""
import site
import sys

try:
    import setuptools  # noqa: F401
    import wheel  # noqa: F401
except ImportError:
    sys.path.extend(site.getsitepackages([sys.base_prefix]))

from setuptools.build_meta import *  # noqa: E402,F401,F403


def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def get_requires_for_build_editable(config_settings=None):
    return []
