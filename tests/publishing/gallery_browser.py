"""Looks at a generated gallery in headless Chromium through its DevTools protocol.

Usage: gallery_browser.py GALLERY_FOLDER SHOT_PREFIX
Opens gallery.html, follows the first picture's "forward" link as often as there are
pictures, then its "back" link once, and prints one JSON report: per page its title,
pictures (attribute and natural sizes, loaded or not), link targets, body colours, the
text and the number of <b> elements; the requests that failed; the screenshots taken.
"""
import base64
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
from urllib.parse import unquote, urlparse

folder, shot_prefix = sys.argv[1], sys.argv[2]
profile = tempfile.mkdtemp(prefix="kalvora-chromium-")
cmd_r, cmd_w = os.pipe()
res_r, res_w = os.pipe()


def child_fds():
    # Through spare copies: a pipe end may already sit on 3 or 4 (and close on exec there).
    a, b = os.dup(cmd_r), os.dup(res_w)
    os.dup2(a, 3)
    os.dup2(b, 4)


browser = subprocess.Popen(
    ["chromium", "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
     "--disable-component-update", "--disable-sync", "--no-first-run", "--user-data-dir=" + profile,
     "--remote-debugging-pipe", "--window-size=1024,768", "--hide-scrollbars", "about:blank"],
    preexec_fn=child_fds, close_fds=False, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
    stderr=subprocess.DEVNULL)
os.close(cmd_r)
os.close(res_w)
writer = os.fdopen(cmd_w, "wb", buffering=0)
reader = os.fdopen(res_r, "rb", buffering=0)
buffer = b""
events = []
next_id = 0
session = None


def receive():
    global buffer
    while b"\0" not in buffer:
        chunk = reader.read(65536)
        if not chunk:
            raise RuntimeError("browser closed the pipe")
        buffer += chunk
    message, buffer = buffer.split(b"\0", 1)
    return json.loads(message)


def call(method, params=None, in_session=True):
    global next_id
    next_id += 1
    message = {"id": next_id, "method": method, "params": params or {}}
    if in_session and session:
        message["sessionId"] = session
    writer.write(json.dumps(message).encode() + b"\0")
    while True:
        answer = receive()
        if answer.get("id") == next_id:
            if "error" in answer:
                raise RuntimeError(method + ": " + json.dumps(answer["error"]))
            return answer.get("result", {})
        events.append(answer)


def wait_event(name, timeout=20):
    end = time.time() + timeout
    while time.time() < end:
        for i, e in enumerate(events):
            if e.get("method") == name:
                del events[i]
                return e
        events.append(receive())
    raise RuntimeError("no " + name)


PAGE_FACTS = """(() => {
  const body = getComputedStyle(document.body);
  return {
    title: document.title,
    images: [...document.images].map(i => ({src: i.getAttribute('src'), complete: i.complete,
      naturalWidth: i.naturalWidth, naturalHeight: i.naturalHeight,
      width: i.getAttribute('width'), height: i.getAttribute('height')})),
    links: [...document.querySelectorAll('a[href]')].map(a => ({href: a.href, text: a.textContent})),
    color: body.color, background: body.backgroundColor,
    text: document.body.innerText,
    bold: document.querySelectorAll('b').length,
    nbsp: [...document.querySelectorAll('td')].filter(td => td.innerHTML === '&nbsp;').length,
    cells: document.querySelectorAll('td').length,
    rows: document.querySelectorAll('tr').length };
})()"""

failed = []
report = {"pages": [], "failed": failed, "shots": []}
try:
    target = call("Target.createTarget", {"url": "about:blank"}, False)["targetId"]
    session = call("Target.attachToTarget", {"targetId": target, "flatten": True}, False)["sessionId"]
    call("Page.enable")
    call("Network.enable")

    def visit(url, shot=None):
        events.clear()
        call("Page.navigate", {"url": url})
        wait_event("Page.loadEventFired")
        for e in events:
            if e.get("method") == "Network.loadingFailed":
                failed.append(e["params"].get("errorText", "") + " " + url)
        facts = call("Runtime.evaluate", {"expression": PAGE_FACTS, "returnByValue": True})["result"]["value"]
        facts["url"] = url
        for link in facts["links"]:
            path = unquote(urlparse(link["href"]).path)
            link["exists"] = os.path.isfile(path)
        if shot:
            data = call("Page.captureScreenshot", {"format": "png"})["data"]
            with open(shot, "wb") as f:
                f.write(base64.b64decode(data))
            report["shots"].append(shot)
        report["pages"].append(facts)
        return facts

    start = "file://" + os.path.abspath(folder) + "/gallery.html"
    overview = visit(start, shot_prefix + "overview.png")
    page_links = [l["href"] for l in overview["links"] if not l["href"].endswith("/gallery.html")]
    first = page_links[0]
    page = visit(first, shot_prefix + "page.png")
    count = len(overview["images"])
    for _ in range(count):
        forward = [l["href"] for l in page["links"] if l["text"] in ("Forward", "N\u00e4chstes Bild")][0]
        page = visit(forward)
    report["forward_returns"] = page["url"] == first
    back = [l["href"] for l in page["links"] if l["text"] in ("Backward", "Voriges Bild")][0]
    report["back_target"] = back
    visit(back)
finally:
    try:
        call("Browser.close", in_session=False)
    except Exception:
        pass
    try:
        browser.wait(timeout=10)
    except subprocess.TimeoutExpired:
        browser.kill()
    shutil.rmtree(profile, ignore_errors=True)
print(json.dumps(report))
