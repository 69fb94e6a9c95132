#!/usr/bin/env python3
"""Runs the examples of README.md and docs/*.md the way a reader would copy them.

Every fenced block is taken by its language:

  sh, bash     run with bash -e; any failing command fails the block
  console      a transcript: each "$ " line runs in one shell (a heredoc or a trailing
               backslash continues it), and what it prints, standard output and error as a
               terminal shows them, must equal the lines shown under it
  c            compiled and run against the built library; #-lines go to the top and the rest
               into main(). A block without an #include is a fragment: it runs inside a program
               that includes the public headers and has opened the card as `card`
  python       run with python/ on PYTHONPATH; a block with test_ functions runs under pytest,
               and one that imports nothing is a fragment run with the card open as `card`
  text, none   output excerpts and usage lines: not run

An HTML comment on the line before a block changes that:

  <!-- example: skip REASON -->   not run, and the reason is reported
  <!-- example: setup -->         run in front of every later shell and console block of the file
  <!-- example: file NAME -->     saved as NAME for later blocks instead of being run
  <!-- example: needs TOOL... --> skipped, with that reason, when a tool (or pytest) is missing

Commands written inline as `ctest ...` are listed (ctest -N) and must select at least one test.

The blocks of one file run in order in one scratch directory that stands for the top of the
source tree (its entries linked in, the Python directory copied, build/dev linked to the build
tree, whichever directory that is), so files one block makes are there for the next. A failure names the file and line of its block. A block that
runs the test suite does not run these examples again inside it.
"""
import argparse
import importlib.util
import os
import pathlib
import pty
import re
import select
import shlex
import shutil
import signal
import subprocess
import sys
import textwrap
import time

MARKER = re.compile(r"^\s*<!--\s*example:\s*(\w+)\s*(.*?)\s*-->\s*$")
FENCE = re.compile(r"^(\s*)(```+)\s*([\w+-]*)\s*$")
NOT_RUN = {"", "text", "output"}
TIMEOUT = 300
NESTED = "QUORVEL_DOC_EXAMPLES_RUNNING"


class Block:
    def __init__(self, doc, line, language, text, marker):
        self.doc, self.line, self.language, self.text = doc, line, language, text
        self.kind, self.argument = marker if marker else ("", "")

    def where(self):
        return f"{self.doc}:{self.line}"


def blocks_of(path, name):
    """The fenced blocks of one markdown file, with the marker line before each."""
    lines = path.read_text(encoding="utf-8").splitlines()
    found, index = [], 0
    while index < len(lines):
        opening = FENCE.match(lines[index])
        if not opening:
            index += 1
            continue
        indent, fence, language = opening.groups()
        previous = next((line for line in reversed(lines[:index]) if line.strip()), "")
        marker = MARKER.match(previous)
        body, index = [], index + 1
        while index < len(lines) and lines[index].strip() != fence:
            body.append(lines[index][len(indent):] if lines[index].startswith(indent) else lines[index])
            index += 1
        found.append(Block(name, index - len(body), language.lower(), "\n".join(body) + "\n",
                           marker.groups() if marker else None))
        index += 1
    return found


def inline_ctest_commands(path, name):
    """(where, command) for each `ctest ...` written inline outside the fenced blocks."""
    found, fenced = [], None
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        opening = FENCE.match(line)
        if opening and (fenced is None or line.strip() == fenced):
            fenced = opening.group(2) if fenced is None else None
        elif fenced is None:
            found += [(f"{name}:{number}", command) for command in re.findall(r"`(ctest [^`]*)`", line)]
    return found


class Failure(Exception):
    pass


def installed(tool):
    """A program on PATH, or pytest, the one Python module the examples use beyond the package."""
    return importlib.util.find_spec("pytest") is not None if tool == "pytest" else shutil.which(tool)


class Runner:
    def __init__(self, options):
        self.source = pathlib.Path(options.source).resolve()
        self.bin = pathlib.Path(options.bin).resolve()
        self.build = pathlib.Path(options.build).resolve()
        self.work = pathlib.Path(options.work).resolve()
        self.cc = options.cc
        self.scratch = None
        self.setup = ""

    def start_document(self, name):
        """A fresh scratch directory standing for the top of the source tree."""
        self.scratch = self.work / name.replace("/", "_")
        shutil.rmtree(self.scratch, ignore_errors=True)
        self.scratch.mkdir(parents=True)
        for entry in self.source.iterdir():
            if entry.name not in ("build", ".git", "python"):
                (self.scratch / entry.name).symlink_to(entry)
        # The Python package and its tests look for the build beside the tree they lie in (their
        # paths resolved): a copy of them here finds build/dev below, this build, wherever it is.
        shutil.copytree(self.source / "python", self.scratch / "python",
                        ignore=shutil.ignore_patterns("__pycache__", "build", "*.egg-info"))
        (self.scratch / "build").mkdir()
        (self.scratch / "build" / "dev").symlink_to(self.build)
        # "python3" in a block is the interpreter running this, the one with pytest.
        (self.scratch / ".bin").mkdir()
        (self.scratch / ".bin" / "python3").symlink_to(sys.executable)
        self.setup = ""

    def environment(self):
        env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1",
                   PATH=f"{self.scratch / '.bin'}{os.pathsep}{os.environ['PATH']}")
        for variable in [v for v in env if v.startswith("CH367SIM_") or v.startswith("QUORVEL_")]:
            del env[variable]
        env[NESTED] = "1"
        return env

    def run(self, command, **options):
        try:
            return subprocess.run(command, cwd=self.scratch, env=self.environment(), text=True,
                                  stdin=subprocess.DEVNULL, capture_output=True, timeout=TIMEOUT,
                                  **options)
        except subprocess.TimeoutExpired:
            raise Failure(f"still running after {TIMEOUT} s")

    def check(self, result, what):
        if result.returncode != 0:
            raise Failure(f"{what} exited with {result.returncode}\n{result.stdout}{result.stderr}")
        return result

    def shell(self, block):
        self.check(self.run(["bash", "-e", "-c", self.setup + block.text]), "the block")

    def console(self, block):
        commands = transcript(block.text)
        script = [self.setup, "__status=0"]
        for number, (command, _) in enumerate(commands):
            script += [f"printf '\\n@@command {number}@@\\n'", f"( exit $__status ); {command}",
                       "__status=$?"]
        output = self.on_terminal("\n".join(script) + "\n")
        pieces = re.split(r"\n@@command \d+@@\n", output)[1:]
        for (command, expected), got in zip(commands, pieces):
            got = trimmed(got.splitlines())
            if got != trimmed(expected):
                raise Failure(f"$ {command}\nshowed:\n" + "\n".join(got) +
                              "\nexpected:\n" + "\n".join(trimmed(expected)))

    def on_terminal(self, script):
        """Runs a script with standard output and error on a terminal, as a reader sees them."""
        controller, terminal = pty.openpty()
        process = subprocess.Popen(["bash", "-c", script], cwd=self.scratch, env=self.environment(),
                                   stdin=subprocess.DEVNULL, stdout=terminal, stderr=terminal,
                                   start_new_session=True)
        os.close(terminal)
        output, deadline = bytearray(), time.monotonic() + TIMEOUT
        try:
            while time.monotonic() < deadline:
                if select.select([controller], [], [], 1)[0]:
                    try:
                        data = os.read(controller, 65536)
                    except OSError:  # every writer has closed the terminal
                        break
                    if not data:
                        break
                    output += data
            else:
                os.killpg(process.pid, signal.SIGKILL)
                raise Failure(f"still running after {TIMEOUT} s")
        finally:
            os.close(controller)
            process.wait()
        return output.decode(errors="replace").replace("\r\n", "\n")

    def listed_tests(self, command):
        result = self.check(self.run(shlex.split(command) + ["-N"]), "listing its tests")
        total = re.search(r"Total Tests: (\d+)", result.stdout)
        if not total or int(total.group(1)) == 0:
            raise Failure(f"`{command}` selects no test\n{result.stdout}{result.stderr}")

    def c(self, block):
        source = self.scratch / "doc_example.c"
        source.write_text(c_program(block.text))
        program = self.scratch / "doc_example"
        self.check(self.run([self.cc, "-std=c11", "-Wall", "-Wextra", "-Wno-unused", "-Werror",
                             "-pedantic-errors", f"-I{self.source / 'include'}",
                             f"-I{self.source / 'simulator' / 'include'}", str(source),
                             "-o", str(program), f"-L{self.bin}", "-lQuorvelWCHDLL", "-lCH367DLL64",
                             f"-Wl,-rpath,{self.bin}"]), "compiling it")
        self.check(self.run([str(program)]), "the program")

    def python(self, block):
        env_path = ["env", "PYTHONPATH=python"]
        if re.search(r"^def test_", block.text, re.MULTILINE):
            (self.scratch / "test_doc_example.py").write_text(block.text)
            command = [sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider",
                       "test_doc_example.py"]
        elif re.search(r"^(import|from) ", block.text, re.MULTILINE):
            command = [sys.executable, "-c", block.text]
        else:
            command = [sys.executable, "-c", "import quorvel\nfrom quorvel import BlendMode, DioError\n"
                       "with quorvel.Card() as card:\n" + textwrap.indent(block.text, "    ")]
        self.check(self.run(env_path + command), "the program")


def transcript(text):
    """(command, lines it prints) for each "$ " line of a console block."""
    commands, lines = [], iter(text.splitlines())
    for line in lines:
        if line.startswith("$ "):
            command = line[2:]
            while command.endswith("\\"):
                command += "\n" + next(lines)
            heredoc = re.search(r"<<-?\s*'?\"?(\w+)", command)
            if heredoc:
                for body in lines:
                    command += "\n" + body
                    if body.strip() == heredoc.group(1):
                        break
            commands.append((command, []))
        elif commands:
            commands[-1][1].append(line)
    return commands


def trimmed(lines):
    lines = [line.rstrip() for line in lines]
    while lines and not lines[-1]:
        lines.pop()
    while lines and not lines[0]:
        lines.pop(0)
    return lines


def c_program(text):
    lines = text.splitlines()
    directives = [line for line in lines if line.startswith("#")]
    body = "\n".join(line for line in lines if not line.startswith("#"))
    if re.search(r"\bmain\s*\(", text):
        return text
    if any(line.startswith("#include") for line in directives):
        return "\n".join(directives) + f"\nint main(void) {{\n{body}\nreturn 0;\n}}\n"
    return ("#include <stddef.h>\n#include <stdint.h>\n#include <stdio.h>\n"
            '#include "QuorvelWCHDLL.h"\n#include "ch367sim.h"\n' + "\n".join(directives) +
            "\nint main(void) {\n  DioMasterHandle* card = NULL;\n  int16_t opened = 0;\n"
            "  DioInitialize(NULL, &card, &opened);\n  if (opened != DIO_OK) return 2;\n"
            f"  {{\n{body}\n  }}\n  DioClose(card);\n  return 0;\n}}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("source", "build", "bin", "work", "cc"):
        parser.add_argument("--" + option, required=True)
    parser.add_argument("documents", nargs="*", help="markdown files, relative to the source tree")
    options = parser.parse_args()
    if os.environ.get(NESTED):
        print("not run: already running inside a documentation example")
        return 0
    runner = Runner(options)
    documents = options.documents or ["README.md"] + sorted(
        str(path.relative_to(runner.source)) for path in (runner.source / "docs").glob("*.md"))
    handlers = {"sh": runner.shell, "bash": runner.shell, "console": runner.console,
                "c": runner.c, "python": runner.python}
    ran, skipped, failed = 0, [], []
    for name in documents:
        runner.start_document(name)
        for block in blocks_of(runner.source / name, name):
            needed = block.argument.split() if block.kind == "needs" else []
            missing = [tool for tool in needed if not installed(tool)]
            if block.language == "python" and "def test_" in block.text and not installed("pytest"):
                missing.append("pytest")
            if block.kind == "skip":
                skipped.append(f"{block.where()}: {block.argument}")
            elif missing:
                skipped.append(f"{block.where()}: {' '.join(missing)} not installed")
            elif block.kind == "file":
                (runner.scratch / block.argument).write_text(block.text)
            elif block.kind == "setup":
                runner.setup += block.text
            elif block.kind not in ("", "needs"):
                failed.append(f"{block.where()}: unknown marker '{block.kind}'")
            elif block.language in NOT_RUN:
                pass
            elif block.language not in handlers:
                failed.append(f"{block.where()}: no way to run a '{block.language}' block; "
                              "mark it <!-- example: skip REASON --> if it is not to be run")
            else:
                ran += 1
                try:
                    handlers[block.language](block)
                except Failure as failure:
                    failed.append(f"{block.where()}: {block.language} block failed: {failure}")
        for where, command in inline_ctest_commands(runner.source / name, name):
            ran += 1
            try:
                runner.listed_tests(command)
            except Failure as failure:
                failed.append(f"{where}: {failure}")
    for line in skipped:
        print(f"not run: {line}")
    for line in failed:
        print(f"FAILED {line}\n")
    print(f"{ran} examples run, {len(failed)} failed, {len(skipped)} not run")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
