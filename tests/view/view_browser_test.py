"""dio view in a real browser: headless Chromium shows a card that another dio process drives.

Starts `dio view` on a fresh card file, opens the page, runs a host program (a dio script) that
sets the display up, draws text and a line and writes the I/O lines, then checks in the page that
the panel canvas holds the display memory pixel for pixel, that the lamps and hex show the lines,
and that the command list shows the commands sent; then that the page names a program holding the
card, and says when the card file is gone. Saves screenshots to the output directory.

usage: view_browser_test.py DIO OUTPUT_DIR   (run with /usr/bin/python3, which has selenium)
"""
import os
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service

from view_faults_test import HOLDER

DISPLAY_OFFSET = 524776  # display memory in the card file (docs/simulator.md)
DISPLAY_ON_OFFSET = 532968
ALERT = "return document.getElementById('alert').textContent"
IO_LINES = 0xA5A5F00F
SCRIPT = """oled setup
oled text 8 4 "Quorvel DIO"
oled line 0 40 255 40 15 2
oled send
io 0xa5a5f00f
"""


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
    view = subprocess.Popen([dio, "--card", card, "view", "--port", "0"], stdout=subprocess.PIPE, text=True)
    driver = None
    try:
        url = view.stdout.readline().split()[-1]
        assert url.startswith("http://127.0.0.1:"), url
        driver = browser()
        driver.get(url)
        wait_for(driver, "return window.cardState !== undefined", "the card")
        driver.save_screenshot(os.path.join(out_dir, "view-power-on.png"))

        with open(os.path.join(work, "draw.dio"), "w") as script:
            script.write(SCRIPT)
        subprocess.run([dio, "--card", card, "run", os.path.join(work, "draw.dio")], check=True)
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
        for sent in ("DioSetupOLED", "pg m value=%d" % IO_LINES, "DioWriteCurrentIO"):
            assert sent in commands, "the command list lacks " + sent + ":\n" + commands
        driver.save_screenshot(os.path.join(out_dir, "view.png"))

        # A program that holds the card, then the card file deleted: the page says so.
        library = os.path.join(os.path.dirname(os.path.abspath(dio)), "libQuorvelWCHDLL.so.1")
        holder = subprocess.Popen([sys.executable, "-c", HOLDER, library], stdout=subprocess.PIPE,
                                  text=True, env=dict(os.environ, CH367SIM_CARD=card))
        try:
            assert holder.stdout.readline() == "holding\n"
            wait_for(driver, ALERT + ".includes('held by process %d')" % holder.pid, "the holder")
            driver.save_screenshot(os.path.join(out_dir, "view-held.png"))
        finally:
            holder.kill()
            holder.wait()
        wait_for(driver, "return document.getElementById('alert').hidden", "the card let go")
        os.remove(card)
        wait_for(driver, ALERT + ".includes('is gone')", "the card file gone")
        print("view in the browser: panel, lamps and commands match the card; a holder and a lost file are shown")
    finally:
        if driver is not None:
            driver.quit()
        view.terminate()
        view.wait()


if __name__ == "__main__":
    main()
