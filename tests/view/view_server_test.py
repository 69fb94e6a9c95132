"""dio view under abuse: bad requests, a foreign Host header, controls without their token or from
another origin, and 64 clients at once.

usage: view_server_test.py DIO [SECONDS]   (SECONDS of load with 64 clients, default 10)
"""
import json
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse


def request(port, text, timeout=5.0):
    """Sends raw request bytes; returns the status code, or None when the server closed."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(text if isinstance(text, bytes) else text.encode())
        try:
            head = s.recv(64)
        except (ConnectionResetError, socket.timeout):
            return None
    parts = head.split()
    return int(parts[1]) if len(parts) > 1 and parts[0].startswith(b"HTTP/") else None


def fetch(port, path, binary=False):
    """The body of a GET, on a loopback name."""
    with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
        s.sendall(("GET %s HTTP/1.1\r\nHost: localhost:%d\r\nConnection: close\r\n\r\n" % (path, port)).encode())
        answer = b""
        while chunk := s.recv(65536):
            answer += chunk
    head, _, body = answer.partition(b"\r\n\r\n")
    assert head.startswith(b"HTTP/1.1 200"), head[:40]
    return body if binary else body.decode()


def get(port, path="/state", host=None):
    return request(port, "GET %s HTTP/1.1\r\nHost: %s\r\nConnection: close\r\n\r\n"
                   % (path, host or "127.0.0.1:%d" % port))


def view_address(line):
    """(port, token) from the line `dio view` prints: "dio view: http://127.0.0.1:PORT/?token=T"."""
    url = urllib.parse.urlsplit(line.split()[-1])
    return url.port, urllib.parse.parse_qs(url.query)["token"][0]


def post(port, path, token=None, origin="same", host=None):
    """A POST as a page would send it; origin "same" is the view's own, None sends none."""
    host = host or "127.0.0.1:%d" % port
    headers = "Host: %s\r\nConnection: close\r\nContent-Length: 0\r\n" % host
    if origin is not None:
        headers += "Origin: %s\r\n" % ("http://" + host if origin == "same" else origin)
    if token is not None:
        headers += "X-Dio-Token: %s\r\n" % token
    return request(port, "POST %s HTTP/1.1\r\n%s\r\n" % (path, headers))


def process_status(pid, field):
    with open("/proc/%d/status" % pid) as status:
        return next(int(line.split()[1]) for line in status if line.startswith(field + ":"))


def event_client(port, seconds, results):
    """Holds an event stream open for `seconds`, counting the events that arrive."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=seconds + 5) as s:
            s.sendall(("GET /events HTTP/1.1\r\nHost: localhost:%d\r\n\r\n" % port).encode())
            end, head = time.time() + seconds, b""
            s.settimeout(0.5)
            while time.time() < end:
                try:
                    chunk = s.recv(65536)
                except socket.timeout:
                    continue
                if not chunk:
                    break
                head = head or chunk[:12]
            results.setdefault("answers", []).append((head, time.time() >= end))
    except OSError as error:
        results.setdefault("errors", []).append(str(error))


def load(dio, card, port, seconds, view):
    """64 event clients for `seconds` while dio drives the card; returns (streams, refused):
    the clients that got an event stream, and those refused for the cap."""
    results = {}
    clients = [threading.Thread(target=event_client, args=(port, seconds, results)) for _ in range(64)]
    for client in clients:
        client.start()
    end = time.time() + seconds
    threads = 0
    while time.time() < end:
        threads = max(threads, process_status(view.pid, "Threads"))
        # The trigger-mode bytes change the card and leave a playing pattern playing.
        subprocess.run([dio, "--card", card, "trigger-mode", str(int(time.time() * 1000) & 0xFF), "0"],
                       check=True, capture_output=True)
    for client in clients:
        client.join()
    answers = results.get("answers", [])
    streams = sum(1 for head, _ in answers if head.startswith(b"HTTP/1.1 200"))
    refused = sum(1 for head, _ in answers if head.startswith(b"HTTP/1.1 503"))
    # 40 workers, the listener, the request reader, the card's two watchers and the main thread.
    assert threads <= 45, "%d threads" % threads
    assert streams > 0 and refused > 0, (streams, refused)
    assert len(answers) + len(results.get("errors", [])) == 64, results.get("errors")
    time.sleep(1)
    return streams, refused


def main():
    dio = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    work = tempfile.mkdtemp(prefix="view-server-")
    card = os.path.join(work, "bench.card")
    view = subprocess.Popen([dio, "--card", card, "view"], stdout=subprocess.PIPE, text=True)
    try:
        port, token = view_address(view.stdout.readline())
        assert get(port) == 200
        assert get(port, "/", host="localhost") == 200
        checks = {
            "foreign Host": get(port, host="attacker.example:%d" % port) == 403,
            "no Host": request(port, "GET /state HTTP/1.0\r\n\r\n") == 403,
            "POST": request(port, "POST /state HTTP/1.1\r\nHost: localhost\r\nContent-Length: 2\r\n\r\n{}") == 405,
            "oversized body": request(port, "POST / HTTP/1.1\r\nHost: localhost\r\nContent-Length: 100000\r\n\r\n"
                                      + "x" * 100000) in (None, 405, 413),
            "oversized header": request(port, "GET / HTTP/1.1\r\nHost: localhost\r\nX-Big: " + "a" * 200000
                                        + "\r\n\r\n") in (None, 400, 413, 431),
            "garbage": request(port, b"\x00\xff garbage\r\n\r\n") in (None, 400),
            "unknown path": get(port, "/../../etc/passwd") in (400, 404),
            "favicon": get(port, "/favicon.ico") == 204,
            # A change needs the token, the view's own Origin and a loopback Host, all three.
            "control, no token": post(port, "/control/arm") == 403,
            "control, wrong token": post(port, "/control/arm", token=token[:-1] + "x") == 403,
            "control, other origin": post(port, "/control/arm", token, origin="http://127.0.0.1:1") == 403,
            "control, no origin": post(port, "/control/arm", token, origin=None) == 403,
            "control, foreign Host": post(port, "/control/arm", token, host="attacker.example:%d" % port) == 403,
            "control by GET": get(port, "/control/arm") in (404, 405),
            "control, unknown": post(port, "/control/explode", token) == 400,
            "control, bad step": post(port, "/control/step?count=x", token) == 400,
        }
        failed = [name for name, ok in checks.items() if not ok]
        assert not failed, "mishandled: " + ", ".join(failed)
        assert get(port) == 200, "the server did not survive the bad requests"
        time.sleep(0.2)
        assert json.loads(fetch(port, "/state"))["run"]["state"] != "armed", "a refused control changed the card"
        assert post(port, "/control/arm", token) == 200
        deadline = time.time() + 5
        while json.loads(fetch(port, "/state"))["run"]["state"] != "armed":
            assert time.time() < deadline, "arm from the view did not reach the card"
            time.sleep(0.05)
        assert len(fetch(port, "/memory", binary=True)) == 2 * 4 * 65536
        # A pattern that plays on at 1 MHz through the load below: the view reads every frame.
        subprocess.run([dio, "--card", card, "card", "run-model", "--repeat", "on"], check=True,
                       stdout=subprocess.DEVNULL)
        assert post(port, "/control/trigger", token) == 200

        # Loopback only: the machine's other addresses do not answer.
        for address in subprocess.run(["hostname", "-I"], capture_output=True, text=True).stdout.split():
            if ":" in address:
                continue
            try:
                socket.create_connection((address, port), timeout=1).close()
                raise AssertionError("the view answers on " + address)
            except OSError:
                pass

        # 64 clients at once while a program drives the card: a short round so that the server
        # has grown its threads and buffers, then the long one, after which it must not have grown.
        load(dio, card, port, 2, view)
        memory_before = process_status(view.pid, "VmRSS")
        streams, refused = load(dio, card, port, seconds, view)
        memory_after = process_status(view.pid, "VmRSS")
        assert memory_after - memory_before < 2048, "memory grew from %d to %d KiB" % (
            memory_before, memory_after)
        assert get(port) == 200, "the server did not answer after the load"
        assert json.loads(fetch(port, "/state"))["run"]["state"] == "running", "the pattern stopped"
        print("view server: %d streams, %d refused, memory %d -> %d KiB" % (
            streams, refused, memory_before, memory_after))
    finally:
        view.terminate()
        view.wait()


if __name__ == "__main__":
    main()
