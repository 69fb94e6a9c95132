"""dio view in a real browser: headless Chromium shows a card that another dio process drives.

Starts `dio view` on a fresh card file, opens the page, runs a host program (a dio script) that
sets the display up, draws text and a line, writes the I/O lines and loads a pattern, then checks
in the page that the panel canvas holds the display memory pixel for pixel, that the lamps and hex
show the lines, and that the command list shows the commands sent; measures the timing diagram
zoomed out over all 65536 words; drives the page's controls; shows that a page of another origin
can't change the card; then that the page names a program holding the card, and says when the
card file is gone. Saves screenshots to the output directory.

usage: view_browser_test.py DIO OUTPUT_DIR   (run with /usr/bin/python3, which has selenium)
"""
import http.server
import json
import os
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service

from view_faults_test import start_holder
from view_server_test import view_address

DISPLAY_OFFSET = 524776  # display memory in the card file (docs/simulator.md)
DISPLAY_ON_OFFSET = 532968
ALERT = "return document.getElementById('alert').textContent"
IO_LINES = 0xA5A5F00F
SCRIPT = """oled setup
oled text 8 4 "Quorvel DIO"
oled line 0 40 255 40 15 2
oled send
io 0xa5a5f00f
load out pattern.bin
"""
STATE = "window.cardState"
RUN_STATE = STATE + ".run.state"


def pattern():
    """65536 words: a counter on lines 0-7, a burst every 256 words on 8-15, slow strobes above."""
    words = []
    for a in range(65536):
        burst = (a >> 4) & 0xFF if (a & 0xFF) < 64 else 0
        words.append((a & 0xFF) | burst << 8 | ((a >> 10) & 1) << 16 | ((a >> 13) & 7) << 20 | (a % 997 < 3) << 31)
    return struct.pack("<65536I", *words)


# A page on another loopback port that knows the token (as if it had leaked) and still tries to
# halt the card: a form posted across sites, and a fetch from its own origin.
ATTACKER = """<!doctype html><body>
<form id="f" method="POST" action="http://127.0.0.1:%(port)d/control/halt" target="sink">
<input name="token" value="%(token)s"></form><iframe name="sink"></iframe>
<script>
document.getElementById("f").submit();
fetch("http://127.0.0.1:%(port)d/control/halt", {method: "POST", headers: {"X-Dio-Token": "%(token)s"}})
  .then(r => { document.title = "fetch answered " + r.status; }, () => { document.title = "fetch refused"; });
</script></body>"""


def serve_attacker(page):
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.end_headers()
            self.wfile.write(page.encode())

        def log_message(self, *args):
            pass
    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def card_display(path):
    with open(path, "rb") as card:
        data = card.read()
    return data[DISPLAY_OFFSET:DISPLAY_OFFSET + 8192], data[DISPLAY_ON_OFFSET]


def wait_for(driver, condition, what, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        value = driver.execute_script(condition)
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("the page never showed " + what)


def browser():
    options = Options()
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=1400,1000", "--user-data-dir=" + tempfile.mkdtemp(prefix="view-chromium-")):
        options.add_argument(flag)
    options.binary_location = "/usr/bin/chromium"
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def main():
    dio, out_dir = sys.argv[1], sys.argv[2]
    os.makedirs(out_dir, exist_ok=True)
    work = tempfile.mkdtemp(prefix="view-test-")
    card = os.path.join(work, "bench.card")
    # Test time: a triggered pattern stays running until the test moves it.
    subprocess.run([dio, "--card", card, "card", "run-model", "--clock", "test"], check=True,
                   stdout=subprocess.DEVNULL)
    view = subprocess.Popen([dio, "--card", card, "view", "--port", "0"], stdout=subprocess.PIPE, text=True)
    driver = None
    try:
        url = view.stdout.readline().split()[-1]
        assert url.startswith("http://127.0.0.1:"), url
        port, token = view_address(url)
        driver = browser()
        driver.get(url)
        wait_for(driver, "return window.cardState !== undefined", "the card")
        driver.save_screenshot(os.path.join(out_dir, "view-power-on.png"))

        with open(os.path.join(work, "draw.dio"), "w") as script:
            script.write(SCRIPT)
        with open(os.path.join(work, "pattern.bin"), "wb") as words:
            words.write(pattern())
        subprocess.run([dio, "--card", card, "run", "draw.dio"], check=True, cwd=work)
        memory, on = card_display(card)
        assert on == 1 and any(memory), "the host program drew nothing"

        wait_for(driver, "return window.cardState.pattern_generator.io_lines === %d" % IO_LINES,
                 "the I/O lines written")
        time.sleep(0.2)  # let the last update render
        levels = driver.execute_script(
            "const d = document.getElementById('panel').getContext('2d').getImageData(0, 0, 256, 64).data;"
            "const out = []; for (let i = 0; i < d.length; i += 4) out.push(d[i] / 17); return out;")
        expected = [level for byte in memory for level in (byte >> 4, byte & 15)]
        wrong = [i for i, (a, b) in enumerate(zip(levels, expected)) if a != b]
        assert len(levels) == 256 * 64 and not wrong, "%d panel pixels differ, first at %s" % (
            len(wrong), wrong[:1])

        assert driver.execute_script("return document.getElementById('iohex').textContent") == "0xa5a5f00f"
        lit = driver.execute_script(
            "return [...document.querySelectorAll('.lamp.on')].map(e => +e.id.slice(4)).sort((a, b) => a - b)")
        assert lit == [i for i in range(32) if IO_LINES >> i & 1], lit
        commands = driver.execute_script("return document.getElementById('commands').textContent")
        for sent in ("DioSetupOLED", "pg m value=0xa5a5f00f", "DioWriteCurrentIO"):
            assert sent in commands, "the command list lacks " + sent + ":\n" + commands

        # The whole output memory in the diagram, zoomed out: the render time, as the median of 9.
        wait_for(driver, "return document.getElementById('words').textContent.includes('0x00000110')",
                 "the memories fetched")
        render_ms = driver.execute_script(
            "viewApp.setView({start: 0, span: 65536}); const t = [];"
            "for (let i = 0; i < 9; ++i) { viewApp.drawTiming(); t.push(window.timingRenderMs); } return t;")
        median_ms = statistics.median(render_ms)
        assert median_ms < 100, "the zoomed-out diagram took %.1f ms" % median_ms

        # A bus of the page's own survives a reload (the browser keeps the grouping).
        driver.execute_script(
            "document.getElementById('busname').value = 'burst'; document.getElementById('busfirst').value = 8;"
            "document.getElementById('buslast').value = 15; document.getElementById('busadd').click();")
        driver.get(url)
        wait_for(driver, "return document.getElementById('buslist').textContent.includes('burst: lines 8–15')",
                 "the bus kept between visits")
        wait_for(driver, "return window.cardState !== undefined", "the card again")

        # The controls, with the page's token: arm, trigger, pause, halt, step, write the lines.
        def control(action, want, **fields):
            for name, value in fields.items():
                driver.execute_script("document.getElementById(arguments[0]).value = arguments[1]", name, value)
            driver.execute_script("document.querySelector('button[data-action=%s]').click()" % action)
            wait_for(driver, "return (%s) === %s" % (want[0], json.dumps(want[1])), action + " reaching the card")

        control("arm", (RUN_STATE, "armed"))
        control("trigger", (RUN_STATE, "running"))
        control("pause", (RUN_STATE, "paused"))
        control("halt", (RUN_STATE, "halted"))
        control("step", (STATE + ".run.program_counter", 5), stepcount="5")
        control("io", (STATE + ".pattern_generator.io_lines", 0x12345678), iovalue="0x12345678")
        control("step", ("document.getElementById('controlmsg').textContent.startsWith('step: ')"
                         " && !document.getElementById('controlmsg').textContent.includes('done')", True),
                stepcount="0")
        control("arm", (RUN_STATE, "armed"))

        # Another origin, token known: neither its form nor its fetch halts the armed card.
        attacker = serve_attacker(ATTACKER % {"port": port, "token": token})
        try:
            page = driver.current_window_handle
            driver.switch_to.new_window("tab")
            driver.get("http://127.0.0.1:%d/" % attacker.server_port)
            wait_for(driver, "return document.title.startsWith('fetch')", "the other page's fetch")
            assert driver.title == "fetch refused", driver.title
            time.sleep(0.5)
            driver.close()
            driver.switch_to.window(page)
        finally:
            attacker.shutdown()
        assert driver.execute_script("return " + RUN_STATE) == "armed", "a page of another origin changed the card"

        # The picture for the docs: cursors on the burst, zoomed to a few bursts.
        driver.execute_script("viewApp.setView({start: 0x3f0, span: 800});")
        driver.execute_script("document.getElementById('goto').value = '0x400';"
                              "document.getElementById('goto').dispatchEvent(new Event('change'));")
        driver.execute_script("viewApp.setCursor('b', 0x440); viewApp.setView({start: 0x3f0, span: 800});")
        driver.set_window_size(1400, 1720)
        time.sleep(0.3)
        driver.save_screenshot(os.path.join(out_dir, "view.png"))
        driver.set_window_size(1400, 1000)

        # A program that holds the card, then the card file deleted: the page says so.
        library = os.path.join(os.path.dirname(os.path.abspath(dio)), "libQuorvelWCHDLL.so.1")
        holder = start_holder(library, card)
        try:
            assert holder.stdout.readline() == "holding\n"
            wait_for(driver, ALERT + ".includes('held by process %d')" % holder.pid, "the holder")
            assert driver.execute_script("return document.getElementById('link').className") == "held"
            driver.save_screenshot(os.path.join(out_dir, "view-held.png"))
        finally:
            holder.kill()
            holder.wait()
        wait_for(driver, "return document.getElementById('alert').hidden", "the card let go")
        os.remove(card)
        wait_for(driver, ALERT + ".includes('is gone')", "the card file gone")
        print("view in the browser: panel, lamps and commands match the card; zoomed-out diagram of 65536"
              " words in %.1f ms (median of 9, %.1f-%.1f); controls drive the card; another origin is refused;"
              " a holder and a lost file are shown" % (median_ms, min(render_ms), max(render_ms)))
    finally:
        if driver is not None:
            driver.quit()
        view.terminate()
        view.wait()


if __name__ == "__main__":
    main()
