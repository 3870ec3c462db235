#!/usr/bin/python3
"""The service's web page in a real headless Chromium, against `korvalind serve` on 127.0.0.1.

Usage: browser_test.py KORVALIND DIRECTORY ARTIFACTS
  KORVALIND  the built program (its serve command is the service, its query command the reference)
  DIRECTORY  the directory file both use
  ARTIFACTS  a folder for web.png, the page after a query, and the downloaded CSV

Exits 77 (skipped) with a message when Chromium or its driver is not installed.
"""

import csv
import io
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.request

CHROMIUM = shutil.which("chromium")
CHROMEDRIVER = shutil.which("chromedriver")
if CHROMIUM is None or CHROMEDRIVER is None:
    print("skipped: chromium and chromium-driver are not installed", file=sys.stderr)
    sys.exit(77)

from selenium import webdriver  # noqa: E402
from selenium.webdriver.chrome.service import Service as ChromeService  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

KORVALIND, DIRECTORY, ARTIFACTS = sys.argv[1:4]
WAIT = 30  # seconds for any one thing the page does
STATUS_LABELS = {"ok": "找到", "not-found": "没有找到", "invalid": "不合法"}
COLUMNS = ["输入", "状态", "省份", "城市", "SIM 卡类型", "运营商", "长途区号", "邮政编码"]
FIELD_IDS = ["province", "city", "sim-type", "carrier", "area-code", "post-code"]
# The typed texts that every surface answers alike (the C++ library test reads it too).
NUMBER_TEXTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data",
                            "number_texts.tsv")
INJECTIONS = [
    "<img src=x onerror=window.__pwned=1>",
    '"><script>window.__pwned=1</script>',
    "'><svg onload=window.__pwned=1>",
    "<iframe src=javascript:window.__pwned=1>",
    "=HYPERLINK(\"http://127.0.0.1/\",\"x\")",
]


def normalize(texts):
    """What the page's own script does to typed numbers before it asks."""
    return browser.execute_script(
        "return arguments[0].map((t) => self.korvalindLookup.normalize(t))", texts)


def number_texts():
    """The rows of tests/data/number_texts.tsv as dictionaries, "\\xNN" escapes decoded."""
    with open(NUMBER_TEXTS, encoding="utf-8", newline="\n") as f:
        rows = list(csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE))
    unescape = lambda s: re.sub(r"\\x([0-9a-f]{2})", lambda m: chr(int(m.group(1), 16)), s)
    for row in rows:
        row["text"], row["prepared"] = unescape(row["text"]), unescape(row["prepared"])
    return rows


def cli_answers(texts):
    """The command-line filter's answer to each text: (status, the page's six fields)."""
    feed = "".join(t + "\n" for t in texts).encode()
    run = subprocess.run([KORVALIND, "query", "--directory", DIRECTORY, "--format", "tsv",
                          "--fields", "status,province,city,sim_type,carrier,area_code,post_code",
                          "-"], input=feed, capture_output=True, timeout=60)
    lines = run.stdout.decode().split("\n")[:-1]
    assert len(lines) == len(texts), run.stderr.decode()
    return [(cells[0], cells[1:]) for cells in (line.split("\t") for line in lines)]


def guard_formula(text):
    if re.match(r"[=+\-@\t\r]", text) and not re.fullmatch(r"[+\-]?[0-9 ()\-]*", text):
        return "'" + text
    return text


def table_text(rows, separator):
    def cell(text):
        text = guard_formula(text)
        if separator in text or re.search("[\"\r\n\t]", text):
            return '"' + text.replace('"', '""') + '"'
        return text
    lines = [separator.join(cell(c) for c in COLUMNS)]
    for text, (status, fields) in rows:
        lines.append(separator.join(cell(c) for c in [text, STATUS_LABELS[status], *fields]))
    return "\r\n".join(lines) + "\r\n"


def batch_lines(count, rng):
    """Valid, refused, missing, blank, formatted and hostile lines, in a shuffled order."""
    lines = list(INJECTIONS)
    lines += ["", "1220000", "12345", "abc", "北京", "\t1390123", "139O123", "2390123"]
    lines += ["+86 186 0000 1234", "0086-139-0123-4567", "186 0000 1234", "1860000"]
    while len(lines) < count:
        prefix = rng.choice(["130", "133", "135", "138", "139", "150", "158", "186", "189", "199"])
        suffix = rng.randrange(10000)
        lines.append(f"{prefix}{suffix:04d}{rng.randrange(10000):04d}" if rng.random() < 0.5
                     else f"{prefix}{suffix:04d}")
    rng.shuffle(lines)
    return lines


SAMPLE = ["13901234567", "+86 186 0000 1234", "1890000", "15912345678", "1220000", "1370000",
          "<img src=x onerror=alert(1)>", "1320000"]


class Service:
    """`korvalind serve` on an ephemeral loopback port, stopped with SIGTERM."""

    def __init__(self):
        self.process = subprocess.Popen(
            [KORVALIND, "serve", "--directory", DIRECTORY, "--listen", "127.0.0.1:0",
             "--threads", "2"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.monotonic() + WAIT
        self.address = None
        while self.address is None and time.monotonic() < deadline:
            line = self.process.stderr.readline().decode(errors="replace")
            if not line:
                break
            match = re.search(r"listening on (\S+)", line)
            if match:
                self.address = match.group(1)
        if self.address is None:
            self.stop()
            raise RuntimeError("korvalind serve did not start")
        self.url = f"http://{self.address}/"
        # Keep reading its log, so that a full pipe never stops the service.
        threading.Thread(target=self.process.stderr.read, daemon=True).start()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def start_browser(downloads, javascript=True):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    profile = tempfile.mkdtemp(prefix="korvalind-chromium-")
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--disable-dev-shm-usage", "--window-size=1100,1400",
                 f"--user-data-dir={profile}"]:
        options.add_argument(flag)
    prefs = {"download.default_directory": downloads, "download.prompt_for_download": False}
    if not javascript:
        prefs["profile.managed_default_content_settings.javascript"] = 2
    options.add_experimental_option("prefs", prefs)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=ChromeService(CHROMEDRIVER), options=options)
    driver.set_page_load_timeout(WAIT)
    driver.set_script_timeout(WAIT)
    driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                           {"behavior": "allow", "downloadPath": downloads})
    driver.korvalind_profile = profile
    return driver


def quit_browser(driver):
    driver.quit()
    shutil.rmtree(driver.korvalind_profile, ignore_errors=True)


def field_values(driver):
    return [driver.find_element(By.ID, i).get_property("value") for i in FIELD_IDS]


def severe_console_entries(driver):
    return [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]


def setUpModule():
    global service, browser, downloads
    service = Service()
    downloads = tempfile.mkdtemp(prefix="korvalind-downloads-")
    os.makedirs(ARTIFACTS, exist_ok=True)
    try:
        browser = start_browser(downloads)
    except Exception:
        service.stop()
        raise


def tearDownModule():
    quit_browser(browser)
    service.stop()
    shutil.rmtree(downloads, ignore_errors=True)
    # SIGTERM ends the service with 0; anything else (a sanitizer's report too) is a fault.
    if service.process.returncode != 0:
        raise AssertionError(f"korvalind serve exited with {service.process.returncode}")


class SingleQuery(unittest.TestCase):
    def query(self, text):
        browser.get(service.url)
        box = browser.find_element(By.ID, "number")
        box.clear()
        box.send_keys(text)
        browser.execute_script("document.getElementById('message').dataset.seen = 'old'")
        box.send_keys(Keys.ENTER)  # Enter submits, as the desktop form's default button does
        WebDriverWait(browser, WAIT).until(
            lambda d: d.current_url.endswith("number=" + urllib.request.quote(text, safe="")))

    def test_a_number_fills_the_five_fields(self):
        browser.get(service.url)
        before = browser.find_element(By.ID, "province").location
        self.query("18600001234")
        WebDriverWait(browser, WAIT).until(lambda d: field_values(d)[0] != "")
        moved = browser.find_element(By.ID, "province").location != before
        # The picture for the README and the CI artifact: this answer and a small batch.
        browser.execute_script("arguments[0].value = arguments[1]",
                               browser.find_element(By.ID, "batch-input"), "\n".join(SAMPLE))
        browser.find_element(By.ID, "batch-query").click()
        WebDriverWait(browser, WAIT).until(
            lambda d: d.find_element(By.ID, "batch-status").text.startswith("共"))
        browser.save_screenshot(os.path.join(ARTIFACTS, "web.png"))

        status, fields = cli_answers(["18600001234"])[0]
        self.assertEqual(status, "ok")
        self.assertEqual(field_values(browser), fields)
        self.assertEqual(browser.find_element(By.ID, "message").text, "")
        self.assertFalse(moved, "the fields moved when the answer arrived")
        self.assertEqual(severe_console_entries(browser), [])

    def test_refused_and_missing_numbers_say_so_beside_the_box(self):
        candidates = [str(n) for n in range(1300000, 1400000)]
        missing = next(t for t, (s, _) in zip(candidates, cli_answers(candidates))
                       if s == "not-found")
        for text, message in [("1220000", "请输入合法的号码段!"), ("12345", "请输入合法的号码段!"),
                              (missing, "不会吧，没有找到!")]:
            with self.subTest(text=text):
                self.query(text)
                WebDriverWait(browser, WAIT).until(
                    lambda d: d.find_element(By.ID, "message").text == message)
                self.assertEqual(field_values(browser), cli_answers([text])[0][1])

    def test_a_hostile_number_in_the_address_stays_text(self):
        for text in INJECTIONS:
            with self.subTest(text=text):
                browser.get(service.url + "?number=" + urllib.request.quote(text, safe=""))
                self.assertEqual(browser.find_element(By.ID, "number").get_property("value"), text)
                self.assertIsNone(browser.execute_script("return window.__pwned"))
                self.assertEqual(len(browser.find_elements(By.TAG_NAME, "script")), 2)
                self.assertEqual(browser.find_elements(By.TAG_NAME, "img"), [])

    def test_keyboard_reaches_the_box_and_the_button_with_a_visible_focus(self):
        browser.get(service.url)
        body = browser.find_element(By.TAG_NAME, "body")
        order = []
        for _ in range(3):
            body.send_keys(Keys.TAB) if not order else browser.switch_to.active_element.send_keys(
                Keys.TAB)
            active = browser.switch_to.active_element
            outline = browser.execute_script(
                "return getComputedStyle(arguments[0]).outlineStyle", active)
            order.append((active.get_attribute("id"), outline))
        self.assertEqual([i for i, _ in order], ["number", "query", "province"])
        self.assertTrue(all(o != "none" for _, o in order), order)

    def test_phone_width_and_dark_scheme(self):
        browser.set_window_size(390, 844)
        try:
            browser.get(service.url)
            overflow = browser.execute_script(
                "return document.documentElement.scrollWidth - document.documentElement.clientWidth")
            self.assertLessEqual(overflow, 0)
        finally:
            browser.set_window_size(1100, 1400)
        backgrounds = []
        for scheme in ["light", "dark"]:
            browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {
                "features": [{"name": "prefers-color-scheme", "value": scheme}]})
            browser.get(service.url)
            backgrounds.append(browser.execute_script(
                "return getComputedStyle(document.body).backgroundColor"))
        browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": []})
        self.assertNotEqual(backgrounds[0], backgrounds[1])


class Batch(unittest.TestCase):
    lines = batch_lines(1000, random.Random(14))

    def run_batch(self, lines):
        browser.get(service.url)
        area = browser.find_element(By.ID, "batch-input")
        # As a paste would: the whole column at once.
        browser.execute_script("arguments[0].value = arguments[1]", area, "\n".join(lines) + "\n")
        browser.find_element(By.ID, "batch-query").click()
        WebDriverWait(browser, WAIT * 2).until(lambda d: d.find_element(
            By.ID, "batch-status").text.startswith(f"共 {len(lines)} 行"))

    def table_rows(self, count):
        """Every row of the table, read by scrolling through it."""
        rows = {}
        view = browser.find_element(By.ID, "batch-view")
        deadline = time.monotonic() + 5
        while len(rows) < count:
            cells = browser.execute_script("""
                return Array.from(document.querySelectorAll('#batch-rows tr[aria-rowindex]'))
                    .map(tr => [Number(tr.getAttribute('aria-rowindex')),
                                Array.from(tr.cells).map(td => td.textContent)]);""")
            before = len(rows)
            for index, texts in cells:
                rows[index - 2] = texts
            if len(rows) == before:
                if time.monotonic() > deadline:
                    break
                time.sleep(0.05)  # the rows in view are drawn at the next frame
                continue
            deadline = time.monotonic() + 5
            # Bring the first row not yet read to the top of the view.
            browser.execute_script("""
                const view = arguments[0];
                const row = view.querySelector('#batch-rows tr[aria-rowindex]');
                view.scrollTop = arguments[1] * row.getBoundingClientRect().height;""",
                                   view, max(rows) + 1)
        return [rows.get(i) for i in range(count)]

    def expected(self):
        return list(zip(self.lines, cli_answers(normalize(self.lines))))

    def test_table_equals_the_command_line_filter(self):
        self.run_batch(self.lines)
        expected = self.expected()
        counts = {s: sum(1 for _, (st, _) in expected if st == s) for s in STATUS_LABELS}
        self.assertEqual(browser.find_element(By.ID, "batch-status").text,
                         f"共 1000 行：找到 {counts['ok']}，没有找到 {counts['not-found']}，"
                         f"不合法 {counts['invalid']}")
        self.assertTrue(all(counts.values()), counts)
        rows = self.table_rows(len(self.lines))
        for i, (text, (status, fields)) in enumerate(expected):
            self.assertEqual(rows[i], [str(i + 1), text, STATUS_LABELS[status], *fields],
                             f"line {i + 1}")
        self.assertIsNone(browser.execute_script("return window.__pwned"))
        self.assertEqual(browser.find_elements(By.CSS_SELECTOR, "#batch-rows img, #batch-rows svg,"
                                                                " #batch-rows script"), [])
        self.assertEqual(severe_console_entries(browser), [])

    def test_the_shared_texts_prepare_and_answer_as_everywhere(self):
        rows = number_texts()
        self.assertGreaterEqual(len(rows), 30)
        browser.get(service.url)
        self.assertEqual(normalize([r["text"] for r in rows]), [r["prepared"] for r in rows])
        texts = [r["text"] for r in rows if r["text"]]
        self.run_batch(texts)
        got = self.table_rows(len(texts))
        for row, cells in zip((r for r in rows if r["text"]), got):
            carrier = "" if row["page"] == "invalid" else row["carrier_id"]
            self.assertEqual(cells[2], STATUS_LABELS[row["page"]], row["text"])
            self.assertEqual(cells[6] != "", carrier != "", row["text"])

    def test_csv_download_bytes(self):
        self.run_batch(self.lines)
        target = os.path.join(downloads, "korvalind.csv")
        if os.path.exists(target):
            os.remove(target)
        browser.find_element(By.ID, "batch-download").click()
        deadline = time.monotonic() + WAIT
        while not os.path.exists(target) and time.monotonic() < deadline:
            time.sleep(0.1)
        with open(target, "rb") as f:
            data = f.read()
        expected = b"\xef\xbb\xbf" + table_text(self.expected(), ",").encode()
        self.assertEqual(data, expected)
        # A spreadsheet program's reader gets the columns back.
        parsed = list(csv.reader(io.StringIO(data[3:].decode(), newline="")))
        self.assertEqual(len(parsed), 1001)
        self.assertEqual(parsed[0], COLUMNS)
        shutil.copy(target, os.path.join(ARTIFACTS, "korvalind.csv"))

    def test_copy_puts_the_table_on_the_clipboard_as_tsv(self):
        self.run_batch(self.lines[:50])
        origin = service.url.rstrip("/")
        browser.execute_cdp_cmd("Browser.grantPermissions", {
            "origin": origin, "permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
        browser.find_element(By.ID, "batch-copy").click()
        WebDriverWait(browser, WAIT).until(
            lambda d: "已复制" in d.find_element(By.ID, "batch-status").text)
        copied = browser.execute_async_script(
            "navigator.clipboard.readText().then(arguments[0], e => arguments[0]('error ' + e))")
        expected = list(zip(self.lines[:50], cli_answers(normalize(self.lines[:50]))))
        self.assertEqual(copied, table_text(expected, "\t"))

    def test_a_text_file_fills_the_batch_box(self):
        browser.get(service.url)
        with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
            f.write("1390123\r\n18600001234\r\n")
        try:
            browser.find_element(By.ID, "batch-file").send_keys(f.name)
            WebDriverWait(browser, WAIT).until(lambda d: d.find_element(
                By.ID, "batch-input").get_property("value") == "1390123\n18600001234\n")
        finally:
            os.remove(f.name)

    def test_a_hundred_thousand_rows_keep_the_page_small(self):
        lines = [f"{139 + i % 50}{i % 10000:04d}" for i in range(100000)]
        self.run_batch(lines)
        rendered = len(browser.find_elements(By.CSS_SELECTOR, "#batch-rows tr[aria-rowindex]"))
        self.assertLess(rendered, 200)
        self.assertEqual(browser.find_element(By.ID, "batch-table").get_attribute("aria-rowcount"),
                         "100001")
        browser.execute_script(
            "const v = document.getElementById('batch-view'); v.scrollTop = v.scrollHeight")
        WebDriverWait(browser, WAIT).until(lambda d: d.execute_script(
            "const rows = document.querySelectorAll('#batch-rows tr[aria-rowindex]');"
            "return rows.length && rows[rows.length - 1].cells[0].textContent") == "100000")
        self.assertEqual(browser.find_element(By.CSS_SELECTOR,
                                              "#batch-rows tr[aria-rowindex='100001'] td:nth-child(2)")
                         .text, lines[-1])
        # The page still answers a query afterwards.
        self.assertEqual(browser.execute_script("return 1 + 1"), 2)


class WithoutScript(unittest.TestCase):
    def test_the_form_submits_and_the_service_renders_the_answer(self):
        driver = start_browser(downloads, javascript=False)
        try:
            driver.get(service.url)
            self.assertFalse(driver.find_element(By.ID, "batch-input").is_displayed())
            box = driver.find_element(By.ID, "number")
            box.send_keys("186 0000 1234")
            box.send_keys(Keys.ENTER)
            WebDriverWait(driver, WAIT).until(lambda d: "number=" in d.current_url)
            self.assertEqual(field_values(driver), cli_answers(["18600001234"])[0][1])
            self.assertEqual(driver.find_element(By.ID, "number").get_property("value"),
                             "186 0000 1234")
            driver.get(service.url + "?number=1220000")
            self.assertEqual(driver.find_element(By.ID, "message").text, "请输入合法的号码段!")
            self.assertEqual(field_values(driver), [""] * 6)
        finally:
            quit_browser(driver)


class Headers(unittest.TestCase):
    def fetch(self, path, headers=None, method="GET"):
        request = urllib.request.Request(service.url.rstrip("/") + path, headers=headers or {},
                                         method=method)
        try:
            with urllib.request.urlopen(request, timeout=WAIT) as response:
                return response.status, response.headers, response.read()
        except urllib.error.HTTPError as error:
            return error.code, error.headers, error.read()

    def test_policy_tags_and_revalidation(self):
        for path in ["/", "/assets/app.js", "/assets/app.css", "/?number=18600001234"]:
            with self.subTest(path=path):
                status, headers, body = self.fetch(path)
                self.assertEqual(status, 200)
                self.assertTrue(headers["Content-Security-Policy"].startswith("default-src 'self'"))
                tag = headers["ETag"]
                self.assertRegex(tag, r'^"[^"]+"$')
                length = len(body)
                status, headers, body = self.fetch(path, {"If-None-Match": tag})
                self.assertEqual((status, body), (304, b""))
                # A 304 may only state the 200's length; it states none.
                self.assertIsNone(headers["Content-Length"])
                status, headers, body = self.fetch(path, method="HEAD")
                self.assertEqual((status, headers["Content-Length"], body), (200, str(length), b""))
        status, _, _ = self.fetch("/assets/missing.js")
        self.assertEqual(status, 404)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[4:]])  # further arguments pick tests
