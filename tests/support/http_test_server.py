#!/usr/bin/env python3
"""A local HTTP server for the web request's tests, able to misbehave.

Listens on 127.0.0.1 on a free port and serves each connection on a thread of
its own, reading requests by hand so that it sees every byte the client sent.

  http_test_server.py start --state-dir DIR   start in the background; DIR/port
                                              holds the port once it listens
  http_test_server.py stop --state-dir DIR    stop the server started there
  http_test_server.py serve [--port N]        run in the foreground

Paths (query strings are ignored unless stated):
  /echo             200, the request's bytes exactly as received
  /status/NNN       status NNN with a short body
  /set-cookie       200 with two Set-Cookie lines (a=1 with attributes, b=2)
  /cookie-echo      200, the request's Cookie header lines
  /redirect?to=P    302 with Location: P and Set-Cookie: r=1; Path=/
  /zero             200, a body holding a zero byte
  /short            Content-Length 100, 10 bytes sent, then a normal close
  /short-chunked    chunked, one chunk sent, then a normal close
  /reset            Content-Length 100, 10 bytes sent, then a reset
  /stall            reads the request and never answers
  /stall-body       Content-Length 100, 10 bytes sent, then nothing
  /charset/NAME     an HTML page with <meta charset=NAME> in that charset
                    (gbk, utf-8, big5)
  /json             a JSON reply in UTF-8
  /auth             200 when Basic credentials user:pass arrive, else 401
  /large?n=N        200 with N bytes of a repeating pattern
  absolute-form request lines (as sent to a proxy) are echoed like /echo;
  under the path /private only with Proxy-Authorization, else 407.
The server ends by itself after an hour without requests.
"""

import argparse
import base64
import os
import signal
import socket
import socketserver
import struct
import subprocess
import sys
import threading
import time

IDLE_LIMIT_SECONDS = 3600
STALL_SECONDS = 60

# "Chinese web page", in simplified characters (中文网页) and, for Big5, in
# traditional ones (中文網頁); code page 936 holds both.
PAGE_TEXT = "\u4e2d\u6587\u7f51\u9875"
PAGE_TEXT_TRADITIONAL = "\u4e2d\u6587\u7db2\u9801"

last_request = time.monotonic()


def charset_page(name):
    encoding = {"gbk": "gbk", "utf-8": "utf-8", "big5": "big5"}[name]
    html = ('<html><head><meta charset="%s"><title>t</title></head>'
            "<body>%s</body></html>"
            % (name, PAGE_TEXT_TRADITIONAL if name == "big5" else PAGE_TEXT))
    return html.encode(encoding)


JSON_REPLY = ('{"result":1,"feeds":[{"caption":"\u4e2d\u6587",'
              '"photo_id":"42"}]}').encode("utf-8")


class Handler(socketserver.BaseRequestHandler):
    def setup(self):
        self.reader = self.request.makefile("rb")

    def finish(self):
        try:
            self.reader.close()
        except OSError:
            pass

    def handle(self):
        global last_request
        while True:
            raw = self.read_request()
            if raw is None:
                return
            last_request = time.monotonic()
            keep_open = self.respond(*raw)
            if not keep_open:
                return

    def read_request(self):
        """Returns (raw bytes, method, target, headers dict) or None."""
        try:
            line = self.reader.readline(65536)
        except OSError:
            return None
        if not line:
            return None
        raw = bytearray(line)
        parts = line.decode("latin-1").split()
        if len(parts) < 2:
            return None
        method, target = parts[0], parts[1]
        headers = {}
        cookies = []
        while True:
            line = self.reader.readline(65536)
            if not line:
                return None
            raw += line
            if line in (b"\r\n", b"\n"):
                break
            name, _, value = line.decode("latin-1").partition(":")
            name = name.strip().lower()
            headers[name] = value.strip()
            if name == "cookie":
                cookies.append(line.decode("latin-1").rstrip("\r\n"))
        headers["__cookies"] = cookies
        length = int(headers.get("content-length", "0") or "0")
        if length:
            # A client that sends its body in a second small segment waits
            # for the ACK of the first (Nagle); do not hold it back for
            # 40 ms of delayed ACK.
            if hasattr(socket, "TCP_QUICKACK"):
                self.request.setsockopt(socket.IPPROTO_TCP,
                                        socket.TCP_QUICKACK, 1)
            body = self.reader.read(length)
            raw += body
        return bytes(raw), method, target, headers

    def send(self, data):
        self.request.sendall(data)

    def reply(self, status, body=b"", extra=(), content_type="text/plain",
              head=False):
        lines = ["HTTP/1.1 %s" % status,
                 "Content-Type: %s" % content_type,
                 "Content-Length: %d" % len(body)]
        lines.extend(extra)
        head_bytes = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")
        self.send(head_bytes + (b"" if head else body))
        return True

    def respond(self, raw, method, target, headers):
        head = method == "HEAD"
        if not target.startswith("/"):
            # A request for a proxy: paths under /private need credentials.
            path = target.split("/", 3)[-1] if target.count("/") >= 3 else ""
            if (path.startswith("private")
                    and "proxy-authorization" not in headers):
                return self.reply("407 Proxy Authentication Required",
                                  b"who are you", extra=(
                                      'Proxy-Authenticate: Basic realm="p"',),
                                  head=head)
            return self.reply("200 OK", raw, content_type="text/plain")
        path, _, query = target.partition("?")
        if path == "/echo":
            return self.reply("200 OK", raw, head=head)
        if path.startswith("/status/"):
            code = path[len("/status/"):]
            reasons = {"404": "Not Found", "500": "Internal Server Error",
                       "204": "No Content"}
            status = code + (" " + reasons[code] if code in reasons else "")
            body = b"" if code == "204" else ("status " + code).encode()
            return self.reply(status, body, head=head)
        if path == "/set-cookie":
            return self.reply("200 OK", b"cookies set", extra=(
                "Set-Cookie: a=1; Path=/; HttpOnly",
                "Set-Cookie: b=2"), head=head)
        if path == "/cookie-echo":
            body = "\r\n".join(headers["__cookies"]).encode("latin-1")
            return self.reply("200 OK", body, head=head)
        if path == "/redirect":
            to = query[len("to="):] if query.startswith("to=") else "/echo"
            return self.reply("302 Found", b"moved", extra=(
                "Location: " + to, "Set-Cookie: r=1; Path=/"), head=head)
        if path == "/zero":
            return self.reply("200 OK", b"abc\x00def",
                              content_type="application/octet-stream",
                              head=head)
        if path == "/short":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"
                      b"0123456789")
            return False
        if path == "/short-chunked":
            self.send(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                      b"a\r\n0123456789\r\n")
            return False
        if path == "/reset":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"
                      b"0123456789")
            time.sleep(0.2)
            self.request.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                    struct.pack("ii", 1, 0))
            return False
        if path == "/stall":
            self.stall()
            return False
        if path == "/stall-body":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"
                      b"0123456789")
            self.stall()
            return False
        if path.startswith("/charset/"):
            name = path[len("/charset/"):]
            return self.reply("200 OK", charset_page(name),
                              content_type="text/html", head=head)
        if path == "/json":
            return self.reply("200 OK", JSON_REPLY,
                              content_type="application/json", head=head)
        if path == "/auth":
            expected = "Basic " + base64.b64encode(b"user:pass").decode()
            if headers.get("authorization") == expected:
                return self.reply("200 OK", b"welcome", head=head)
            return self.reply("401 Unauthorized", b"who are you", extra=(
                'WWW-Authenticate: Basic realm="test"',), head=head)
        if path == "/large":
            n = int(query[len("n="):]) if query.startswith("n=") else 100000
            pattern = bytes(range(256))
            body = (pattern * (n // 256 + 1))[:n]
            return self.reply("200 OK", body,
                              content_type="application/octet-stream",
                              head=head)
        return self.reply("404 Not Found", b"no such page", head=head)

    def stall(self):
        """Waits until the client goes away or the stall time is over."""
        self.request.settimeout(STALL_SECONDS)
        try:
            while self.request.recv(4096):
                pass
        except OSError:
            pass


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve(port, port_file=None):
    server = Server(("127.0.0.1", port), Handler)
    if port_file:
        temporary = port_file + ".tmp"
        with open(temporary, "w") as f:
            f.write("%d\n" % server.server_address[1])
        os.replace(temporary, port_file)

    def watch_idle():
        while time.monotonic() - last_request < IDLE_LIMIT_SECONDS:
            time.sleep(10)
        server.shutdown()

    threading.Thread(target=watch_idle, daemon=True).start()
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(
        target=server.shutdown).start())
    server.serve_forever()
    server.server_close()
    # The file may name a newer server by now.
    try:
        with open(port_file) as f:
            if int(f.read().strip()) == server.server_address[1]:
                os.remove(port_file)
    except (TypeError, OSError, ValueError):
        pass


def start(state_dir):
    os.makedirs(state_dir, exist_ok=True)
    stop(state_dir)
    port_file = os.path.join(state_dir, "port")
    pid_file = os.path.join(state_dir, "pid")
    with open(os.devnull, "rb") as null_in, open(os.devnull, "wb") as null_out:
        child = subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "serve",
             "--port-file", port_file],
            stdin=null_in, stdout=null_out, stderr=null_out,
            start_new_session=True)
    with open(pid_file, "w") as f:
        f.write("%d\n" % child.pid)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        if os.path.exists(port_file):
            with open(port_file) as f:
                print("http test server listening on 127.0.0.1:%s"
                      % f.read().strip())
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.05)
    print("http test server did not start; its tests will be skipped")
    return 0


def running(pid):
    """True while the process exists and has not ended (a zombie has)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def stop(state_dir):
    pid_file = os.path.join(state_dir, "pid")
    try:
        with open(pid_file) as f:
            pid = int(f.read().strip())
        # Only our own server: the pid may have been reused since.
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            if os.path.basename(__file__).encode() in f.read():
                os.kill(pid, signal.SIGTERM)
                deadline = time.monotonic() + 5
                while running(pid) and time.monotonic() < deadline:
                    time.sleep(0.02)
    except (OSError, ValueError):
        pass
    for name in ("pid", "port"):
        try:
            os.remove(os.path.join(state_dir, name))
        except OSError:
            pass
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("command", choices=("start", "stop", "serve"))
    parser.add_argument("--state-dir")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    args = parser.parse_args()
    if args.command == "serve":
        serve(args.port, args.port_file)
        return 0
    if not args.state_dir:
        parser.error("--state-dir is required")
    return start(args.state_dir) if args.command == "start" else stop(
        args.state_dir)


if __name__ == "__main__":
    sys.exit(main())
