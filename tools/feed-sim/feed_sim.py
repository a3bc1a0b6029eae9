#!/usr/bin/env python3
"""A local stand-in for the short-video service's feed API.

Answers the collector's fixed feed request with realistic UTF-8 JSON feed
pages, refuses any other request with an error object, sets cookies and
checks that they come back, misbehaves on request (--fault), and writes
what it served and what the collector must store to a ground truth file
(JSON lines, see ground_truth.py).

  feed_sim.py --address 192.0.2.1                 port 80 of that address
  feed_sim.py --port 0 --truth truth.jsonl        any free port on loopback
  feed_sim.py --fault cut@2 --fault error@4       faults on chosen requests

Prints "feed-sim listening on http://ADDRESS:PORT/" once it accepts
connections; runs until interrupted or terminated.
"""

import argparse
import collections
import http.server
import json
import signal
import socket
import struct
import sys
import threading
import time

import cookies
import faults
import feed_items
import fixed_request
import ground_truth

_HOST_NAME = "hb2-acs-feed-07"


class Reply:
    """What to send for one request."""

    def __init__(self, kind, status=200, body=b"", content_type=None):
        self.kind = kind
        self.status = status
        self.body = body
        self.content_type = content_type or "application/json;charset=UTF-8"
        self.set_cookies = []
        self.send_bytes = None  # send only this many body bytes, then close
        self.reset = False  # end with a reset instead of a normal close
        self.stall = False  # send nothing, close after the stall


def _error_object(result, message):
    text = json.dumps({"result": result, "error_msg": message,
                       "host-name": _HOST_NAME},
                      ensure_ascii=False, separators=(",", ":"))
    return text.encode("utf-8")


_SERVER_ERROR_PAGE = (
    '<html><head><meta http-equiv="Content-Type" '
    'content="text/html; charset=utf-8"><title>500 服务器错误</title></head>'
    "<body><h1>500 Internal Server Error</h1></body></html>").encode("utf-8")


class FeedService:
    """Decides every reply and keeps the ground truth. Thread-safe."""

    def __init__(self, options):
        self._options = options
        self._lock = threading.Lock()
        self._requests = 0
        self._generator = feed_items.FeedGenerator(
            options.seed, options.items, options.repeat_rate,
            options.nested_id_rate)
        self._cookies = cookies.CookieSessions(options.seed)
        self._faults = faults.FaultPlan(options.fault)
        self._delivered_ids = set()
        self._truth = ground_truth.Writer(options.truth)
        # Pages made before the first request; their items count as
        # delivered for later repeats, whatever becomes of them.
        self._ready = collections.deque()
        for _ in range(options.pregenerate):
            page = self._generator.next_page()
            self._generator.mark_delivered(page)
            self._ready.append(
                (page, feed_items.reply_json(page, self._generator.llsid())))
        self.stopping = threading.Event()

    def close(self):
        self._truth.close()

    def reply_to(self, method, target, headers, body):
        with self._lock:
            self._requests += 1
            n = self._requests
            problems = fixed_request.check_request(method, target, headers,
                                                   body)
            cookie_headers = [v for k, v in headers if k.lower() == "cookie"]
            verdict, cookie_problems, session = self._cookies.check(
                cookie_headers)
            if problems:
                reply, page = Reply("rejected", body=_error_object(
                    109, "请求参数错误")), []
            else:
                reply, page = self._planned_reply(self._faults.fault_for(n))
                if reply.kind not in ("cut", "reset", "stall"):
                    reply.set_cookies = self._cookies.reply_cookies(session)
            delivered = self._delivered_count(reply, page)
            entries = [{
                "type": "request", "n": n, "method": method, "target": target,
                "headers": [list(h) for h in headers],
                "problems": problems, "cookies": verdict,
                "cookie_problems": cookie_problems, "reply": reply.kind,
                "status": None if reply.stall else reply.status,
                "items": len(page), "delivered": delivered,
                "set_cookies": reply.set_cookies,
            }]
            # Item entries cost more than serving a page; make them only
            # when someone reads them.
            if self._truth.enabled or not self._options.quiet:
                entries += self._item_entries(n, reply, page, delivered)
            self._generator.mark_delivered(page[:delivered])
            self._truth.write(entries)
            if not self._options.quiet:
                print("feed-sim: #%d %s %s cookies=%s reply=%s new=%d" % (
                    n, method, "accepted" if not problems else "rejected",
                    verdict, reply.kind,
                    sum(1 for e in entries if e.get("new"))),
                    file=sys.stderr, flush=True)
            return reply

    def _planned_reply(self, fault):
        if fault == "error":
            return Reply("error", body=_error_object(2, "操作太快了")), []
        if fault == "empty":
            text = feed_items.reply_json([], self._generator.llsid())
            return Reply("empty", body=text.encode("utf-8")), []
        if fault == "server-error":
            return Reply("server-error", status=500, body=_SERVER_ERROR_PAGE,
                         content_type="text/html; charset=utf-8"), []
        if fault == "stall":
            reply = Reply("stall")
            reply.stall = True
            return reply, []
        if self._ready:
            page, text = self._ready.popleft()
        else:
            page = self._generator.next_page()
            text = feed_items.reply_json(page, self._generator.llsid())
        if fault == "gbk":
            return Reply("gbk", body=text.encode("gbk", "replace"),
                         content_type="application/json;charset=GBK"), page
        reply = Reply(fault or "feed", body=text.encode("utf-8"))
        if fault == "cut" and not page:
            reply.send_bytes = len(reply.body) // 2
        elif fault == "cut":
            # Close in the middle of the middle item's video address: the
            # item's id has arrived, its "reco_reason" has not.
            marker = b'"main_mv_url":"'
            at = -1
            for _ in range(len(page) // 2 + 1):
                at = reply.body.index(marker, at + 1)
            reply.send_bytes = at + len(marker) + 20
        elif fault == "reset":
            reply.send_bytes = reply.body.index(b'"feeds":[')
            reply.reset = True
        return reply, page

    @staticmethod
    def _delivered_count(reply, page):
        if reply.stall:
            return 0
        if reply.send_bytes is None:
            return len(page)
        # Whole items are those whose "reco_reason" arrived.
        return reply.body[:reply.send_bytes].count(b"reco_reason")

    def _item_entries(self, n, reply, page, delivered):
        encoding = "gbk" if reply.kind == "gbk" else "utf-8"
        entries = []
        for index, item in enumerate(page, start=1):
            is_delivered = index <= delivered
            is_new = is_delivered and item.photo_id not in self._delivered_ids
            if is_delivered:
                self._delivered_ids.add(item.photo_id)
            entries.append({
                "type": "item", "request": n, "index": index,
                "kind": item.kind, "url_kind": item.url_kind,
                "delivered": is_delivered, "new": is_new,
                "reply": {field: getattr(item, field)
                          for field in ground_truth.FIELDS},
                "stored": feed_items.stored_fields(item, encoding),
            })
        return entries


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def version_string(self):
        return "feed-sim"

    def do_POST(self):
        self._serve()

    do_GET = do_HEAD = do_PUT = do_DELETE = do_OPTIONS = do_POST

    def log_message(self, format, *args):
        pass  # the service logs one line per request itself

    def _read_body(self):
        if "Transfer-Encoding" in self.headers:
            self.close_connection = True
            return None
        length = self.headers.get("Content-Length")
        if length is None or not length.isdigit():
            return None if self.command != "GET" else b""
        return self.rfile.read(int(length))

    def _serve(self):
        service = self.server.service
        body = self._read_body()
        reply = service.reply_to(self.command, self.path,
                                 list(self.headers.items()), body)
        if reply.stall:
            service.stopping.wait(self.server.stall_seconds)
            self.close_connection = True
            return
        self.send_response(reply.status)
        self.send_header("Content-Type", reply.content_type)
        chunked = self.server.chunked
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        else:
            self.send_header("Content-Length", str(len(reply.body)))
        for value in reply.set_cookies:
            self.send_header("Set-Cookie", value)
        self.end_headers()
        if self.command == "HEAD":
            return
        if chunked:
            self.wfile.write(_chunked(reply.body, reply.send_bytes))
        elif reply.send_bytes is None:
            self.wfile.write(reply.body)
        else:
            self.wfile.write(reply.body[:reply.send_bytes])
        if reply.send_bytes is None:
            return
        self.close_connection = True
        if reply.reset:
            time.sleep(0.1)
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                       struct.pack("ii", 1, 0))
            self.connection.close()


def _chunked(body, send_bytes, chunk_size=4096):
    """|body| in chunks; when only |send_bytes| are to be sent, the chunk
    that holds the cut is announced whole but sent in part, and no last
    chunk follows."""
    out = []
    for start in range(0, len(body), chunk_size):
        chunk = body[start:start + chunk_size]
        out.append(b"%x\r\n" % len(chunk))
        if send_bytes is not None and start + len(chunk) > send_bytes:
            out.append(chunk[:send_bytes - start])
            return b"".join(out)
        out.append(chunk + b"\r\n")
    out.append(b"0\r\n\r\n")
    return b"".join(out)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def parse_options(argv):
    parser = argparse.ArgumentParser(
        description=__doc__.split("\n\n")[0],
        epilog="faults: " + "; ".join(
            "%s: %s" % item for item in faults.KINDS.items()))
    parser.add_argument("--address", default="127.0.0.1",
                        help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--port", type=int, default=80,
                        help="port to listen on; 0 picks a free one")
    parser.add_argument("--truth", help="ground truth file to write")
    parser.add_argument("--seed", type=int, default=1,
                        help="the same seed serves the same items")
    parser.add_argument("--items", type=int, default=20,
                        help="items per feed page (default 20)")
    parser.add_argument("--repeat-rate", type=float, default=0.2,
                        help="share of items repeating earlier ones")
    parser.add_argument("--nested-id-rate", type=float, default=0.05,
                        help="share of items whose id lies inside an "
                        "earlier, longer id")
    parser.add_argument("--fault", action="append", default=[],
                        metavar="KIND[@N,...]",
                        help="misbehave on every request, or on requests "
                        "N,... only (repeatable)")
    parser.add_argument("--chunked", action="store_true",
                        help="send every reply in chunks instead of with a "
                        "Content-Length; a cut reply then lacks its last "
                        "chunk")
    parser.add_argument("--stall-seconds", type=float, default=60,
                        help="how long a stalled request is held")
    parser.add_argument("--pregenerate", type=int, default=0, metavar="N",
                        help="make the first N pages before listening, so "
                        "that serving them costs next to nothing")
    parser.add_argument("--quiet", action="store_true",
                        help="no line per request on stderr")
    options = parser.parse_args(argv)
    try:
        faults.FaultPlan(options.fault)
    except ValueError as e:
        parser.error(str(e))
    return options


def main(argv):
    options = parse_options(argv)
    service = FeedService(options)
    server = Server((options.address, options.port), Handler)
    server.service = service
    server.stall_seconds = options.stall_seconds
    server.chunked = options.chunked
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    address, port = server.server_address[:2]
    print("feed-sim listening on http://%s:%d/" % (address, port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        service.stopping.set()
        server.server_close()
        service.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
