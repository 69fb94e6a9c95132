"""Builds the package with a copy of the card library inside it when QUORVEL_BUNDLE names the
library files to copy (separated by os.pathsep), for example the card library and, for the
simulated card, the simulator beside it:

    QUORVEL_BUNDLE=build/dev/bin/libQuorvelWCHDLL.so:build/dev/bin/libCH367DLL64.so \\
        pip install ./python

Everything else is in pyproject.toml."""
import os
import re
import shutil
from pathlib import Path

from setuptools import Distribution, setup
from setuptools.command.build_py import build_py

BUNDLE = [name for name in os.environ.get("QUORVEL_BUNDLE", "").split(os.pathsep) if name]


def bundled(name):
    """A library QUORVEL_BUNDLE names. pip and `python3 -m build` run this file from the source
    directory or a copy of it, so a relative path resolves from where the command was run: the
    shell's working directory (PWD), when it names one."""
    origin = os.environ.get("PWD", "")
    base = Path(origin) if os.path.isabs(origin) and os.path.isdir(origin) else Path.cwd()
    return base / name


class BuildWithLibrary(build_py):
    def run(self):
        package = Path(self.build_lib) / "quorvel"
        for stale in package.glob("*") if package.is_dir() else []:
            if stale.suffix in (".so", ".dll", ".dylib"):
                stale.unlink()  # left by an earlier build in the same tree
        super().run()
        for name in BUNDLE:
            library = bundled(name).resolve()  # a symbolic link's target
            if not library.is_file():
                raise SystemExit(f"QUORVEL_BUNDLE: no library file {name} ({library})")
            # Under the name the package loads: libQuorvelWCHDLL.so.1.0.0 as libQuorvelWCHDLL.so.
            shutil.copyfile(library, package / re.sub(r"\.so(\.\d+)+$", ".so", Path(name).name))


class PlatformDistribution(Distribution):
    def has_ext_modules(self):
        """With a library inside, the wheel is for this platform only."""
        return bool(BUNDLE)


setup(cmdclass={"build_py": BuildWithLibrary}, distclass=PlatformDistribution)
