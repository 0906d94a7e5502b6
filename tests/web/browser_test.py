#!/usr/bin/python3
"""The lava page in headless Chromium, driven with selenium.

    browser_test.py PAGE_DIR MODELS_DIR    run the checks, print the timings
    browser_test.py --screenshot PNG URL   leave a picture of a running page

Each check group prints PASS or FAIL; the exit status is 1 when any failed,
and 77 (skipped) when MODELS_DIR is missing, unless CI is set.
"""
import functools
import gzip
import http.server
import os
import sys
import tempfile
import threading
import struct
import time
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By

def png_pixels(png):
    """(width, height, channels, rows of bytes) of an 8-bit, non-interlaced PNG (what Chromium writes)."""
    assert png[:8] == b'\x89PNG\r\n\x1a\n'
    at, data = 8, b''
    while at < len(png):
        length, kind = struct.unpack('>I4s', png[at:at + 8])
        body = png[at + 8:at + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
            assert depth == 8 and interlace == 0 and colour in (2, 6), (depth, colour, interlace)
            channels = 3 if colour == 2 else 4
        elif kind == b'IDAT':
            data += body
        at += 12 + length
    raw = zlib.decompress(data)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b, c = previous[i], previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        previous = line
    return width, height, channels, rows


def canvas_pixels(driver):
    """Lit pixels of the canvas as shown, and the sums of their red, green and blue."""
    canvas = driver.find_element(By.ID, 'lava')
    overlays = "for (const id of ['bar', 'messages', 'settings']) document.getElementById(id).style.visibility = '%s';"
    driver.execute_script(overlays % 'hidden')
    try:
        width, height, channels, rows = png_pixels(canvas.screenshot_as_png)
    finally:
        driver.execute_script(overlays % '')
    counts = {'lit': 0, 'red': 0, 'green': 0, 'blue': 0}
    for line in rows:
        for i in range(0, len(line), channels):
            r, g, b = line[i], line[i + 1], line[i + 2]
            if r + g + b < 48:
                continue
            counts['lit'] += 1
            counts['red'] += r
            counts['green'] += g
            counts['blue'] += b
    counts.update(driver.execute_script(
        "const c = document.getElementById('lava'); return {width: c.width, height: c.height};"))
    return counts


SET_COLOUR = """
const input = document.getElementById('colour');
input.value = arguments[0];
input.dispatchEvent(new Event('input'));
"""


def serve(folder):
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(Quiet, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, 'http://127.0.0.1:%d/' % server.server_address[1]


def browser(width=640, height=480):
    options = webdriver.ChromeOptions()
    for argument in ('--headless=new', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
                     '--disable-dev-shm-usage', '--window-size=%d,%d' % (width, height)):
        options.add_argument(argument)
    options.binary_location = '/usr/bin/chromium'
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)


def wait_for(condition, seconds, step=0.1):
    end = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)


class Run:
    def __init__(self):
        self.failures = 0

    def check(self, group, ok, detail=''):
        print('%s %s%s' % ('PASS' if ok else 'FAIL', group, (': ' + detail) if detail else ''), flush=True)
        if not ok:
            self.failures += 1


# Read whether shown or not: the bar fades out while the mouse rests.
def status(driver):
    return driver.execute_script("return document.getElementById('status').textContent")


def messages(driver):
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('.message')).map(m => m.textContent).join(' | ')")


def frames(driver):
    return driver.execute_script('return Module._glowpond_frames();')


def lit_pixels(driver, at_least, seconds):
    """The canvas's pixel counts once at least `at_least` are lit (or the last look)."""
    return wait_for(lambda: (lambda p: p if p['lit'] >= at_least else None)(canvas_pixels(driver)),
                    seconds, 0.25) or canvas_pixels(driver)


def choose(driver, paths):
    driver.find_element(By.ID, 'files').send_keys('\n'.join(paths))


def run_checks(page_dir, models):
    server, url = serve(page_dir)
    driver = browser()
    run = Run()
    try:
        started = time.monotonic()
        driver.get(url)
        ready = wait_for(lambda: driver.execute_script('return window.glowpondReady === true'), 30)
        first_frame = wait_for(lambda: driver.execute_script('return window.glowpondFirstFrame || 0'), 30)
        lava = lit_pixels(driver, 200, 20)
        first_lava = driver.execute_script('return performance.now();')
        run.check('the samples load and draw lava', ready and lava['lit'] >= 200,
                  '%d lit pixels, %s' % (lava['lit'], status(driver)))
        print('timing: first frame %.0f ms, lava seen by %.0f ms after the page load began (test side %.1f s)'
              % (first_frame, first_lava, time.monotonic() - started))
        run.check('the status line names the samples', status(driver).startswith('Showing ') and
                  'ring.3ds' in status(driver), status(driver))
        entries = driver.execute_script(
            'return performance.getEntriesByType("resource").map(e => e.name)'
            '.filter(n => !n.startsWith(location.origin));')
        run.check('no request leaves the origin', not entries, ', '.join(entries))

        # A model chosen with a file that is no model: the model is shown.
        choose(driver, [os.path.join(models, '3ds', 'q_xwing.3ds'), os.path.join(page_dir, 'models', 'mushroom.mtl')])
        shown = wait_for(lambda: status(driver) == 'Showing q_xwing.3ds', 20)
        run.check('a chosen model is shown', shown and not messages(driver) and
                  lit_pixels(driver, 200, 20)['lit'] >= 200, '%s | %s' % (status(driver), messages(driver)))

        # Files dropped anywhere on the page.
        driver.execute_script('''
            fetch('models/rocket.3ds').then(r => r.arrayBuffer()).then(bytes => {
              const transfer = new DataTransfer();
              transfer.items.add(new File([bytes], 'rocket.3ds'));
              document.getElementById('status').dispatchEvent(
                new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
            });''')
        dropped = wait_for(lambda: status(driver) == 'Showing rocket.3ds', 20)
        run.check('a dropped file is shown', dropped, '%s | %s' % (status(driver), messages(driver)))

        # A broken file among good ones, one of them gzip: its message, and the others run.
        with tempfile.TemporaryDirectory() as folder:
            packed = os.path.join(folder, 'robot.wrz')
            with open(os.path.join(page_dir, 'models', 'robot.wrl'), 'rb') as source, gzip.open(packed, 'wb') as out:
                out.write(source.read())
            choose(driver, [os.path.join(models, 'bad', 'o3v_wrong.3ds'), packed,
                            os.path.join(models, '3ds', 'sw_teapot.3ds')])
            wait_for(lambda: status(driver) == 'Showing robot.wrz, sw_teapot.3ds', 20)
        text = messages(driver)
        run.check('a broken file gets its message and the others run, gzip unpacked',
                  status(driver) == 'Showing robot.wrz, sw_teapot.3ds' and 'Error: Not a valid 3DS file.' in text
                  and 'o3v_wrong.3ds' in text, '%s | %s' % (status(driver), text))

        # Nothing loads: the shown model goes on.
        shown = status(driver)
        choose(driver, [os.path.join(models, 'bad', 'as_helloworld_vrml2.wrl')])
        wait_for(lambda: 'VRML 2.0' in messages(driver), 20)
        before = frames(driver)
        time.sleep(0.5)
        run.check('when nothing loads the shown models go on',
                  status(driver) == shown and 'Error: VRML 2.0 not supported in this version.'
                  in messages(driver) and frames(driver) > before, '%s | %s' % (status(driver), messages(driver)))

        # The lava colour reaches the pixels, at once, and is kept.
        choose(driver, [os.path.join(page_dir, 'models', 'ring.3ds')])
        wait_for(lambda: status(driver) == 'Showing ring.3ds', 20)
        driver.execute_script(SET_COLOUR, '#ff0000')
        time.sleep(1.5)
        red = lit_pixels(driver, 200, 10)
        driver.execute_script(SET_COLOUR, '#0000ff')
        time.sleep(1.5)
        blue = lit_pixels(driver, 200, 10)
        run.check('the lava colour shows in the pixels', red['red'] > red['blue'] and blue['blue'] > blue['red'],
                  'red %s, blue %s' % (red, blue))
        driver.execute_script("const s = document.querySelector('[data-key=speed]');"
                              "s.value = 3; s.dispatchEvent(new Event('input'));")
        driver.get(url + '?fps')
        wait_for(lambda: driver.execute_script('return window.glowpondReady === true'), 30)
        print('timing, loaded again: first frame %.0f ms' % wait_for(
            lambda: driver.execute_script('return window.glowpondFirstFrame || 0'), 30))
        kept = driver.execute_script("return [document.getElementById('colour').value,"
                                     " document.querySelector('[data-key=speed]').value];")
        run.check('the settings are kept in the browser', kept == ['#0000ff', '3'], str(kept))
        rate = wait_for(lambda: driver.execute_script("return document.getElementById('fps').textContent"), 10)
        run.check('?fps reports the frame rate', rate.endswith(' frames/s') and float(rate.split()[0]) > 0, rate)

        # Resize, full screen and a lost context: the lava goes on.
        driver.set_window_size(400, 600)
        wait_for(lambda: canvas_pixels(driver)['width'] < 450, 5)
        resized = lit_pixels(driver, 100, 10)
        driver.find_element(By.ID, 'fullscreen').click()
        time.sleep(0.5)
        before = frames(driver)
        full = lit_pixels(driver, 100, 10)
        run.check('resize and full screen', resized['width'] < resized['height'] and resized['lit'] >= 100 and
                  full['lit'] >= 100 and frames(driver) > before, '%s %s' % (resized, full))
        driver.execute_script("window.loser = document.getElementById('lava').getContext('webgl2')"
                              ".getExtension('WEBGL_lose_context'); window.loser.loseContext();")
        time.sleep(0.5)
        driver.execute_script('window.loser.restoreContext();')
        before = frames(driver)
        restored = lit_pixels(driver, 100, 10)
        run.check('a lost context comes back', restored['lit'] >= 100 and frames(driver) > before, str(restored))

        errors = [entry['message'] for entry in driver.get_log('browser') if entry['level'] == 'SEVERE']
        run.check('no errors in the console', not errors, '; '.join(errors))
    finally:
        driver.quit()
        server.shutdown()
    return run.failures


def screenshot(png, url):
    driver = browser(1024, 640)
    try:
        driver.get(url)
        wait_for(lambda: driver.execute_script('return window.glowpondReady === true'), 30)
        # Long enough for the first model to take shape; the mouse then
        # wakes the bar.
        time.sleep(12)
        ActionChains(driver).move_by_offset(20, 20).perform()
        time.sleep(0.3)
        driver.save_screenshot(png)
    finally:
        driver.quit()


def main(argv):
    if len(argv) == 4 and argv[1] == '--screenshot':
        screenshot(argv[2], argv[3])
        return 0
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    if not os.path.isdir(argv[2]) and not os.environ.get('CI'):
        print('skipped: the model collection %s is missing' % argv[2])
        return 77
    return 1 if run_checks(os.path.abspath(argv[1]), os.path.abspath(argv[2])) else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
