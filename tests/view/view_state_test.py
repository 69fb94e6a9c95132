"""dio view's card state as JSON, from a dio run the way the build runs its programs (under Wine
for the Windows build): another dio process writes the I/O lines on the same card file, and the
state shows them, and keeps the values they held before in its history; a foreign Host header
is refused.

usage: view_state_test.py [LAUNCHER] DIO
"""
import json
import os
import subprocess
import sys
import tempfile
import time

from view_server_test import fetch, get, view_address


def state(port):
    return json.loads(fetch(port, "/state"))


def main():
    dio = sys.argv[1:]
    card = os.path.join(tempfile.mkdtemp(prefix="view-state-"), "bench.card")
    view = subprocess.Popen(dio + ["--card", card, "view"], stdout=subprocess.PIPE, text=True)
    try:
        url = view.stdout.readline().strip()
        port = view_address(url)[0]
        assert state(port)["pattern_generator"]["io_lines"] == 0

        lines = 0xA5A55A5A
        subprocess.run(dio + ["--card", card, "io", hex(lines)], check=True, capture_output=True)
        deadline = time.time() + 10
        while state(port)["pattern_generator"]["io_lines"] != lines:
            assert time.time() < deadline, "the view never showed the lines written"
            time.sleep(0.1)
        # Values the lines no longer hold stay in the history, oldest first.
        subprocess.run(dio + ["--card", card, "io", "0x1"], check=True, capture_output=True)
        subprocess.run(dio + ["--card", card, "io", "0x2"], check=True, capture_output=True)
        while state(port)["pattern_generator"]["io_lines"] != 2:
            assert time.time() < deadline, "the view never showed the second value"
            time.sleep(0.1)
        history = [value for _, value in state(port)["io_history"]["changes"]]
        assert history[:1] == [0] and lines in history and history[-1] == 2, history
        assert get(port, host="attacker.example:%d" % port) == 403
        print("view state at %s shows io lines %#x" % (url, lines))
    finally:
        view.terminate()
        view.wait()


if __name__ == "__main__":
    main()
