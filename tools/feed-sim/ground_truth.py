"""The simulator's record of what it served, and what the collector keeps.

The ground truth is a JSON lines file. For every request one "request" line,
then one "item" line per item of its reply:

  {"type": "request", "n": 1, "method": "POST", "target": "/rest/...",
   "headers": [[name, value], ...], "problems": [], "cookies": "none",
   "cookie_problems": [], "reply": "feed", "status": 200, "items": 20,
   "delivered": 20, "set_cookies": ["did=...; Path=/; ...", ...]}
  {"type": "item", "request": 1, "index": 1, "kind": "fresh",
   "url_kind": "second", "delivered": true, "new": true,
   "reply": {six fields as JSON text}, "stored": {six fields}}

"reply" on a request line is what was sent: "feed", "gbk", "cut", "reset",
"error", "empty", "server-error", "stall", or "rejected" (the request was
not the collector's; "problems" says why). "cookies" is "none" (no Cookie
header), "ok" or "wrong" ("cookie_problems" says why).

An item is "delivered" when the collector received it whole, and "new" when
it is delivered and no item with its photo_id was delivered before by this
simulator. "stored" holds the collector's text of each field (characters
that GBK encodes, see program_text), or null where that text depends on the
build (only in replies that are not UTF-8); `record_line` gives the exact
bytes of the item's line in the record file, `record_line_pattern` a
pattern that also allows any text for a null field.
"""

import json
import re
import threading

import program_text

FIELDS = ("user_name", "user_id", "photo_id", "caption", "time",
          "main_mv_url")


class Writer:
    """Appends entries to the file, each flushed at once. Thread-safe."""

    def __init__(self, path):
        self._file = open(path, "w", encoding="utf-8") if path else None
        self._lock = threading.Lock()

    @property
    def enabled(self):
        return self._file is not None

    def write(self, entries):
        if self._file is None:
            return
        with self._lock:
            for entry in entries:
                self._file.write(json.dumps(entry, ensure_ascii=False) + "\n")
            self._file.flush()

    def close(self):
        if self._file is not None:
            self._file.close()


def read(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.strip()]


def delivered_items(entries):
    return [e for e in entries if e["type"] == "item" and e["delivered"]]


def expected_records(entries, seen=()):
    """The "stored" fields of the items the collector stores while it
    suppresses duplicates, given the ids it had seen before: every delivered
    item whose photo_id is not seen yet, in order."""
    seen = set(seen)
    records = []
    for item in delivered_items(entries):
        stored = item["stored"]
        if stored["photo_id"] not in seen:
            seen.add(stored["photo_id"])
            records.append(stored)
    return records


def record_line_pattern(stored):
    """A bytes pattern that matches the item's whole line, CR LF included;
    a null field matches any text without a line break."""
    parts = [b"[^\r\n]*?" if stored[field] is None else
             re.escape(program_text.gbk_bytes(stored[field]))
             for field in FIELDS]
    return re.compile(re.escape(b"----").join(parts) + b"\r\n")


def record_line(stored):
    """The record file's line for one item: GBK bytes, fields joined by
    "----", ended by CR LF."""
    text = "----".join(stored[field] for field in FIELDS) + "\r\n"
    return program_text.gbk_bytes(text)
