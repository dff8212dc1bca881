#!/usr/bin/env python3
"""The web console in a real browser (headless Chromium driven by Selenium)
against the program on the simulator (browser_child).

  browser_console.py --gavelry PATH --child PATH [--screenshot FILE]

An operator logs in and sees the station list; a station keys up and the
page shows it as the talker, on top of the list (the time from the key-up to
the page changing is printed); the operator mutes the talker and sees what
was sent, the server's answer in the chat and the new moderation log line,
then asks who is muted and sees the server's list under the buttons. A
viewer sees no moderation controls, and its own POST to an action is refused
with 403. No page may log a script error. With --screenshot the page is
saved as a PNG while the talker is muted (the README's picture).

Exit code 77 (skipped) when Chromium, its driver or Selenium is missing.
"""

import argparse
import os
import queue
import socket
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
CHROMEDRIVER = "/usr/bin/chromedriver"
CHROMIUM = "/usr/bin/chromium"
USERS = {"alice": ("operator", "alice-pass-1"), "victor": ("viewer", "victor-pass-1")}
WAIT_S = 10

try:
    from selenium import webdriver
    from selenium.common.exceptions import TimeoutException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    webdriver = None


def fail(text):
    print("FAIL: " + text, file=sys.stderr)
    sys.exit(1)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def settings(gavelry, folder, port):
    with open(os.path.join(folder, "web.ini"), "w") as f:
        f.write(f"[WEB]\nLISTEN=127.0.0.1:{port}\n")
    for name, (role, password) in USERS.items():
        subprocess.run([gavelry, "--web-user", "add", name, "--role", role, "--config-dir", folder],
                       input=password + "\n", text=True, check=True, capture_output=True, timeout=60)


class Child:
    """browser_child, its standard output read line by line on a thread."""

    def __init__(self, path, folder):
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        self.proc = subprocess.Popen([path, folder], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True, env=env)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.split())

    def expect(self, first):
        try:
            while True:
                words = self.lines.get(timeout=WAIT_S)
                if words and words[0] == first:
                    return words
        except queue.Empty:
            fail(f"browser_child never said '{first}'")

    def tell(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def end(self):
        if self.proc.poll() is None:
            self.tell("quit")
            try:
                self.proc.wait(timeout=WAIT_S)
            except subprocess.TimeoutExpired:
                self.proc.kill()


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    # CI runs as root, where Chromium's sandbox cannot start.
    for arg in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
                "--window-size=1280,860", "--lang=en-US"):
        options.add_argument(arg)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(executable_path=CHROMEDRIVER), options=options)


def until(driver, what, condition):
    try:
        return WebDriverWait(driver, WAIT_S, poll_frequency=0.05).until(lambda d: condition(d))
    except TimeoutException:
        fail(what)


def text(driver, element_id):
    return driver.find_element(By.ID, element_id).text


def log_in(driver, name):
    until(driver, "no log-in form", lambda d: d.find_element(By.ID, "login").is_displayed())
    driver.find_element(By.ID, "user").clear()
    driver.find_element(By.ID, "user").send_keys(name)
    driver.find_element(By.ID, "password").send_keys(USERS[name][1])
    driver.find_element(By.CSS_SELECTOR, "#login button[type=submit]").click()
    until(driver, f"{name} not logged in", lambda d: d.find_element(By.ID, "console").is_displayed()
          and not d.find_element(By.ID, "login").is_displayed())
    until(driver, f"{name}: the station list never came",
          lambda d: {"W1ABC", "K2XYZ"} <= {li.get_attribute("data-call")
                                            for li in d.find_elements(By.CSS_SELECTOR, "#stations li")})


def operator_mutes_the_talker(driver, child, screenshot):
    log_in(driver, "alice")
    # When the talker box changes, by the page's clock (the child's, too).
    driver.execute_script("""
        window.talkerSeen = {};
        const box = document.getElementById('talker');
        new MutationObserver(() => {
            if (!(box.textContent in window.talkerSeen)) window.talkerSeen[box.textContent] = Date.now();
        }).observe(box, {childList: true, characterData: true, subtree: true});""")
    child.tell("key K2XYZ")
    keyed_ms = int(child.expect("keyed")[2])
    seen_ms = until(driver, "the talker was never shown",
                    lambda d: d.execute_script("return window.talkerSeen['K2XYZ'];"))
    print(f"talker shown in the browser {seen_ms - keyed_ms} ms after the key-up")
    first = driver.find_element(By.CSS_SELECTOR, "#stations li")
    if first.get_attribute("data-call") != "K2XYZ" or "talking" not in first.get_attribute("class"):
        fail(f"the talker is not highlighted on top: {first.text!r}")

    driver.find_element(By.CSS_SELECTOR, "button[data-action=muteTalker]:not([data-notice])").click()
    until(driver, f"no answer to the mute: {text(driver, 'answer')!r}",
          lambda d: text(d, "answer") == "Sent: .mute .")
    until(driver, "the server's answer never reached the chat",
          lambda d: any("station talking muted." in li.text for li in d.find_elements(By.CSS_SELECTOR, "#chat li")))
    until(driver, "no moderation log line for the mute",
          lambda d: (lambda top: ".mute ." in top and "web: alice" in top and top.endswith("| ok"))(
              d.find_element(By.CSS_SELECTOR, "#log li").text))
    driver.find_element(By.CSS_SELECTOR, "button[data-which=muted]").click()
    until(driver, "the listing's answer is not shown under the buttons",
          lambda d: "K2XYZ" in text(d, "answer").split("\n", 1)[-1])
    if screenshot:
        driver.save_screenshot(screenshot)
    child.tell("unkey K2XYZ")
    child.expect("unkeyed")
    until(driver, "the end of the talk was never shown", lambda d: text(d, "talker") == "—")
    driver.find_element(By.ID, "logout").click()


def viewer_cannot_act(driver):
    log_in(driver, "victor")
    shown = [b.text for b in driver.find_elements(By.CSS_SELECTOR, "button[data-action], #chatForm button")
             if b.is_displayed()]
    if shown:
        fail(f"a viewer sees moderation controls: {shown}")
    status = driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        fetch('/api/session').then((r) => r.json()).then((s) => fetch('/api/actions/unmuteAll', {
            method: 'POST', body: '{}',
            headers: {'Content-Type': 'application/json', 'X-CSRF-Token': s.csrf},
        })).then((r) => done(r.status), (e) => done(String(e)));""")
    if status != 403:
        fail(f"a viewer's unmuteAll answered {status}, not 403")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--gavelry", required=True)
    parser.add_argument("--child", required=True)
    parser.add_argument("--screenshot")
    args = parser.parse_args()
    missing = [p for p in (CHROMIUM, CHROMEDRIVER) if not os.access(p, os.X_OK)]
    if webdriver is None or missing:
        print("skipped: needs chromium, chromium-driver and python3-selenium (scripts/test.sh installs them)")
        return SKIP

    with tempfile.TemporaryDirectory(prefix="gavelry-browser-") as folder:
        port = free_port()
        settings(args.gavelry, folder, port)
        child = Child(args.child, folder)
        driver = None
        try:
            child.expect("ready")
            driver = browser()
            driver.set_script_timeout(WAIT_S)
            driver.get(f"http://127.0.0.1:{port}/")
            operator_mutes_the_talker(driver, child, args.screenshot)
            viewer_cannot_act(driver)
            # Network entries are the 401 before the log-in and the viewer's 403.
            errors = [e["message"] for e in driver.get_log("browser")
                      if e["level"] == "SEVERE" and e.get("source") != "network"]
            if errors:
                fail("the page logged errors: " + "; ".join(errors))
        finally:
            if driver:
                driver.quit()
            child.end()
    print("browser test passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
