"""dio view when things go wrong around it: clients that send slowly, crowd in or vanish, a
second view on the same port, the card file deleted, replaced, restored with cp or cut short, and
the card held by a program stopped in the middle of a command.

usage: view_faults_test.py DIO
"""
import json
import os
import re
import select
import socket
import subprocess
import sys
import tempfile
import time

from view_server_test import get, view_address

# A host program that leaves every chip select low and sleeps: it holds the card while it lives.
HOLDER = """import ctypes, sys, time
library = ctypes.CDLL(sys.argv[1])
card, status = ctypes.c_void_p(), ctypes.c_int16()
library.DioInitialize(None, ctypes.byref(card), ctypes.byref(status))
library.DioSetADRSR_High(card, ctypes.c_uint8(0))
print("holding", flush=True)
time.sleep(60)
"""


def start_holder(library, card):
    """Starts HOLDER on `card` with the card library `library`. A library built with
    AddressSanitizer needs its runtime loaded first into Python, which has none of its own."""
    env = dict(os.environ, CH367SIM_CARD=card)
    linked = subprocess.run(["ldd", library], capture_output=True, text=True).stdout
    runtime = re.search(r"(\S*libasan\.so\S*) => (\S+)", linked)
    if runtime:
        env.update(LD_PRELOAD=runtime.group(2), ASAN_OPTIONS="detect_leaks=0")
    return subprocess.Popen([sys.executable, "-c", HOLDER, library], stdout=subprocess.PIPE, text=True,
                            env=env)


class View:
    def __init__(self, dio, card, *arguments):
        self.process = subprocess.Popen([dio, "--card", card, "view"] + list(arguments),
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        started = select.select([self.process.stdout], [], [], 5)[0]
        line = self.process.stdout.readline() if started else ""
        assert line.startswith("dio view: http://127.0.0.1:"), "no address: %r" % line
        self.port = view_address(line)[0]

    def state(self, timeout=5.0):
        with socket.create_connection(("127.0.0.1", self.port), timeout=timeout) as s:
            s.sendall(b"GET /state HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n")
            answer = b""
            while chunk := s.recv(65536):
                answer += chunk
        return json.loads(answer.partition(b"\r\n\r\n")[2])

    def wait_for(self, condition, what, seconds=3.0):
        end = time.time() + seconds
        while True:
            assert self.process.poll() is None, "the view died (%s) waiting for %s" % (self.process.returncode, what)
            state = self.state()
            if condition(state):
                return state
            assert time.time() < end, "the view never showed %s: %s" % (what, {
                key: state.get(key) for key in ("held_by", "card_file")})
            time.sleep(0.05)

    def close(self):
        self.process.terminate()
        self.process.wait()


def open_stream(port):
    s = socket.create_connection(("127.0.0.1", port), timeout=5)
    s.sendall(b"GET /events HTTP/1.1\r\nHost: localhost\r\n\r\n")
    return s, s.recv(64)


def slow_clients(view):
    """64 connections trickling a header line every 2 s hold no worker: /state answers at once."""
    tricklers = []
    for _ in range(64):
        s = socket.create_connection(("127.0.0.1", view.port))
        s.sendall(b"GET /state HTTP/1.1\r\n")
        tricklers.append(s)
    slowest, start = 0.0, time.time()
    while time.time() - start < 7:
        for s in tricklers:
            try:
                s.sendall(b"X-Slow: 1\r\n")
            except OSError:
                pass
        for _ in range(4):
            began = time.time()
            assert get(view.port) == 200
            slowest = max(slowest, time.time() - began)
            time.sleep(0.5)
    for s in tricklers:
        s.close()
    assert slowest < 1.0, "/state took %.1f s behind the slow clients" % slowest
    return slowest


def backlog(view):
    """64 pages loading at once all queue for the listener: none is dropped to wait a second."""
    listening = subprocess.run(["ss", "-Hltn", "sport = :%d" % view.port], capture_output=True,
                               text=True, check=True).stdout.split()
    assert int(listening[2]) >= 64, "a listen backlog of " + listening[2]


def closed_streams(view):
    """32 pages closed on an idle card free their places within about a second."""
    streams = [open_stream(view.port) for _ in range(32)]
    assert all(head.startswith(b"HTTP/1.1 200") for _, head in streams)
    s, head = open_stream(view.port)
    s.close()
    assert head.startswith(b"HTTP/1.1 503"), head
    for s, _ in streams:
        s.close()
    end = time.time() + 1.5
    while True:
        s, head = open_stream(view.port)
        s.close()
        if head.startswith(b"HTTP/1.1 200"):
            break
        assert time.time() < end, "the closed pages still hold their places: " + repr(head)
        time.sleep(0.1)


def port_in_use(dio, card, view):
    second = subprocess.run([dio, "--card", card, "view", "--port", str(view.port)],
                            capture_output=True, text=True, timeout=10)
    assert second.returncode != 0 and second.stdout == "", second
    assert re.fullmatch(r"dio: (view: )?port %d is in use\n" % view.port, second.stderr), second.stderr


def card_file_changes(dio, work):
    """cp over the file is followed; deleted, made again, or cut short, the view says so."""
    card, saved = os.path.join(work, "live.card"), os.path.join(work, "saved.card")
    subprocess.run([dio, "--card", saved, "io", "0x1234"], check=True, capture_output=True)
    view = View(dio, card)
    try:
        present = view.state()
        assert present["card_file"] == {"path": card, "state": "present", "problem": None}, present["card_file"]
        subprocess.run(["cp", saved, card], check=True)
        view.wait_for(lambda s: s["pattern_generator"]["io_lines"] == 0x1234, "the card copied in")
        os.remove(card)
        gone = view.wait_for(lambda s: s["card_file"]["state"] == "gone", "the file gone")
        assert card in gone["card_file"]["problem"] and "gone" in gone["card_file"]["problem"]
        subprocess.run([dio, "--card", card, "io", "0x77"], check=True, capture_output=True)
        view.wait_for(lambda s: s["card_file"]["state"] == "replaced", "the file replaced")
    finally:
        view.close()
    view = View(dio, saved)
    try:
        os.truncate(saved, 0)
        view.wait_for(lambda s: s["card_file"]["state"] in ("truncated", "lost"), "the file cut short")
        time.sleep(0.3)
        view.wait_for(lambda s: s["card_file"]["state"] in ("truncated", "lost"), "the file cut short")
    finally:
        view.close()


def held_card(dio, work):
    """A view started while a program holds the card starts and names the holder."""
    card = os.path.join(work, "held.card")
    library = os.path.join(os.path.dirname(dio), "libQuorvelWCHDLL.so.1")
    holder = start_holder(library, card)
    view = None
    try:
        assert holder.stdout.readline() == "holding\n"
        began = time.time()
        view = View(dio, card)
        assert time.time() - began < 3, "the view took %.1f s to start" % (time.time() - began)
        view.wait_for(lambda s: s["held_by"] == holder.pid, "the holder", seconds=1)
        holder.kill()
        holder.wait()
        view.wait_for(lambda s: s["held_by"] is None and "display" in s, "the card let go")
    finally:
        holder.kill()
        if view is not None:
            view.close()


def main():
    dio = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="view-faults-")
    card = os.path.join(work, "bench.card")
    view = View(dio, card)
    try:
        slowest = slow_clients(view)
        backlog(view)
        closed_streams(view)
        port_in_use(dio, card, view)
    finally:
        view.close()
    card_file_changes(dio, work)
    held_card(dio, work)
    print("view under faults: /state within %.0f ms behind 64 slow clients; closed pages, port in use,"
          " card file changes and a held card handled" % (slowest * 1000))


if __name__ == "__main__":
    main()
