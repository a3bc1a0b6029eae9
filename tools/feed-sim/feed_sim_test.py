"""The simulator as a process on loopback, spoken to over real sockets."""

import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

import feed_items
import fixed_request
import ground_truth
import marker_check

_HERE = os.path.dirname(os.path.abspath(__file__))


class Simulator:
    """One feed_sim.py process on a free loopback port."""

    def __init__(self, *arguments):
        self._directory = tempfile.TemporaryDirectory()
        self.truth_path = os.path.join(self._directory.name, "truth.jsonl")
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(_HERE, "feed_sim.py"), "--port", "0",
             "--quiet", "--truth", self.truth_path] + list(arguments),
            stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        self.port = int(line.rsplit(":", 1)[1].strip("/\n"))

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()
        self._directory.cleanup()

    def truth(self):
        return ground_truth.read(self.truth_path)

    def requests(self):
        return [e for e in self.truth() if e["type"] == "request"]


class Reply:
    def __init__(self):
        self.status = None
        self.headers = []
        self.body = b""
        self.complete = False
        self.error = None  # "reset", "timeout" or "closed" (before headers)

    def header_values(self, name):
        return [v for n, v in self.headers if n.lower() == name.lower()]

    def cookies_set(self):
        return [v.split(";")[0] for v in self.header_values("Set-Cookie")]


def decode_chunked(data):
    """The body carried by chunked |data|, and whether its last chunk came."""
    body = b""
    while True:
        size_line, separator, rest = data.partition(b"\r\n")
        if not separator:
            return body, False
        size = int(size_line, 16)
        if size == 0:
            return body, rest.startswith(b"\r\n")
        body += rest[:size]
        if len(rest) < size + 2:
            return body, False
        data = rest[size + 2:]


def _reply_complete(received):
    head, separator, rest = received.partition(b"\r\n\r\n")
    if not separator:
        return False
    if b"Transfer-Encoding: chunked" in head:
        return decode_chunked(rest)[1]
    length = int(head.split(b"Content-Length: ")[1].split(b"\r\n")[0])
    return len(rest) >= length


def exchange(port, method="POST", target=fixed_request.TARGET,
             headers=None, body=fixed_request.BODY, timeout=5):
    """Sends one request on a new connection and reads what comes back."""
    if headers is None:
        headers = list(fixed_request.HEADERS)
    lines = ["%s %s HTTP/1.1" % (method, target), "Host: 127.0.0.1"]
    lines += ["%s: %s" % h for h in headers]
    if body is not None:
        lines.append("Content-Length: %d" % len(body))
    data = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + (body or b"")
    reply = Reply()
    received = b""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(data)
        try:
            while not _reply_complete(received):
                chunk = s.recv(65536)
                if not chunk:
                    break
                received += chunk
        except ConnectionResetError:
            reply.error = "reset"
        except socket.timeout:
            reply.error = "timeout"
    head, separator, reply.body = received.partition(b"\r\n\r\n")
    if not separator:
        reply.error = reply.error or "closed"
        return reply
    head_lines = head.decode("latin-1").split("\r\n")
    reply.status = int(head_lines[0].split()[1])
    reply.headers = [tuple(line.split(": ", 1)) for line in head_lines[1:]]
    if reply.header_values("Transfer-Encoding") == ["chunked"]:
        reply.body, reply.complete = decode_chunked(reply.body)
    else:
        length = int(reply.header_values("Content-Length")[0])
        reply.complete = len(reply.body) == length
    return reply


def with_cookies(cookie_text):
    headers = list(fixed_request.HEADERS)
    if cookie_text:
        headers.append(("Cookie", cookie_text))
    return headers


class SimulatorTestCase(unittest.TestCase):
    def start(self, *arguments):
        simulator = Simulator(*arguments)
        self.addCleanup(simulator.stop)
        return simulator


class RequestTest(SimulatorTestCase):
    def test_the_collectors_request_gets_a_feed_page(self):
        sim = self.start()
        reply = exchange(sim.port)
        self.assertEqual(reply.status, 200)
        self.assertTrue(reply.complete)
        self.assertEqual(reply.header_values("Content-Type"),
                         ["application/json;charset=UTF-8"])
        self.assertEqual(len(json.loads(reply.body)["feeds"]), 20)
        request = sim.requests()[0]
        self.assertEqual((request["reply"], request["problems"]), ("feed", []))
        stored = [e["stored"] for e in sim.truth() if e["type"] == "item"]
        self.assertEqual(marker_check.read_reply(reply.body), stored)

    def test_other_requests_get_an_error_object(self):
        sim = self.start()
        cases = (
            {"method": "GET"},
            {"target": "/rest/n/feed/hot"},
            {"body": fixed_request.BODY.replace(b"count=20", b"count=50")},
            {"headers": list(fixed_request.HEADERS)[1:]},
        )
        for case in cases:
            reply = exchange(sim.port, **case)
            self.assertEqual(json.loads(reply.body)["result"], 109, case)
        for request in sim.requests():
            self.assertEqual(request["reply"], "rejected")
            self.assertEqual(len(request["problems"]), 1)
        # A refused request draws no page: the next feed starts afresh.
        self.assertEqual(exchange(sim.port).status, 200)
        self.assertEqual(sim.requests()[-1]["reply"], "feed")


class CookieTest(SimulatorTestCase):
    def test_cookies_set_then_checked(self):
        sim = self.start()
        jar = {}

        def fetch(cookie_text):
            reply = exchange(sim.port, headers=with_cookies(cookie_text))
            for item in reply.cookies_set():
                name, value = item.split("=", 1)
                jar[name] = value
            return [c.split("=")[0] for c in reply.cookies_set()]

        def jar_text():
            return "; ".join("%s=%s" % kv for kv in jar.items()
                             if kv[1] != "deleted")

        self.assertEqual(fetch(""), ["did", "kuaishou.api_st",
                                     "region_ticket", "sid"])
        # The second reply deletes region_ticket; every reply renews sid.
        self.assertEqual(fetch(jar_text()), ["region_ticket", "sid"])
        self.assertEqual(fetch(jar_text()), ["sid"])
        stale_sid = jar["sid"]
        fetch(jar_text())
        fetch(jar_text().replace(jar["sid"], stale_sid))
        fetch(jar_text() + "; region_ticket=x")
        fetch("did=web_0; sid=1")
        self.assertEqual(fetch(""), ["did", "kuaishou.api_st",
                                     "region_ticket", "sid"])
        verdicts = [(r["cookies"], r["cookie_problems"])
                    for r in sim.requests()]
        self.assertEqual([v for v, _ in verdicts],
                         ["none", "ok", "ok", "ok", "wrong", "wrong", "wrong",
                          "none"])
        self.assertIn("cookie sid is", verdicts[4][1][0])
        self.assertEqual(verdicts[5][1], ["deleted cookie region_ticket sent"])
        self.assertEqual(verdicts[6][1], ["no session has did=web_0"])


class FaultTest(SimulatorTestCase):
    def test_each_fault(self):
        sim = self.start("--stall-seconds", "0.3", "--fault", "error@1",
                         "--fault", "empty@2", "--fault", "server-error@3",
                         "--fault", "gbk@4", "--fault", "cut@5",
                         "--fault", "reset@6", "--fault", "stall@7")
        replies = [exchange(sim.port) for _ in range(8)]
        error, empty, server_error, gbk, cut, reset, stall, sound = replies

        self.assertEqual(json.loads(error.body),
                         {"result": 2, "error_msg": "操作太快了",
                          "host-name": "hb2-acs-feed-07"})
        self.assertEqual(json.loads(empty.body)["feeds"], [])
        self.assertEqual(server_error.status, 500)
        self.assertIn(b"charset=utf-8", server_error.body)
        with self.assertRaises(UnicodeDecodeError):
            gbk.body.decode("utf-8")
        self.assertEqual(len(json.loads(gbk.body.decode("gbk"))["feeds"]),
                         20)
        self.assertFalse(cut.complete)
        self.assertIsNone(cut.error)
        self.assertFalse(reset.complete)
        self.assertEqual(stall.error, "closed")
        self.assertTrue(sound.complete)
        for reply in (error, empty, server_error):
            self.assertNotIn(b"reco_reason", reply.body)

        truth = sim.truth()
        requests = [e for e in truth if e["type"] == "request"]
        self.assertEqual([r["reply"] for r in requests],
                         ["error", "empty", "server-error", "gbk", "cut",
                          "reset", "stall", "feed"])
        self.assertEqual([r["delivered"] for r in requests],
                         [0, 0, 0, 20, 10, 0, 0, 20])

        def stored(n):
            return [e["stored"] for e in truth if e["type"] == "item"
                    and e["request"] == n and e["delivered"]]

        self.assertTrue(marker_check.agrees(marker_check.read_reply(gbk.body),
                                            stored(4)))
        # The collector leaves out the last piece of a cut reply.
        self.assertEqual(marker_check.read_reply(cut.body, complete=False),
                         stored(5))
        self.assertEqual(len(marker_check.read_reply(cut.body)), 11)
        # Broken replies set no cookies; complete ones do.
        self.assertEqual([bool(r["set_cookies"]) for r in requests],
                         [True, True, True, True, False, False, False, True])

    def test_chunked_replies(self):
        sim = self.start("--chunked", "--fault", "cut@2")
        whole, cut = exchange(sim.port), exchange(sim.port)
        self.assertEqual(whole.header_values("Transfer-Encoding"),
                         ["chunked"])
        self.assertEqual(whole.header_values("Content-Length"), [])
        self.assertTrue(whole.complete)
        self.assertEqual(len(json.loads(whole.body)["feeds"]), 20)
        self.assertFalse(cut.complete)
        stored = [e["stored"] for e in sim.truth()
                  if e["type"] == "item" and e["delivered"]]
        self.assertEqual(marker_check.read_reply(whole.body) +
                         marker_check.read_reply(cut.body, complete=False),
                         stored)

    def test_faults_on_pages_without_items(self):
        sim = self.start("--items", "0", "--fault", "cut@1",
                         "--fault", "reset@2")
        cut, reset, sound = (exchange(sim.port) for _ in range(3))
        self.assertFalse(cut.complete)
        self.assertFalse(reset.complete)
        self.assertEqual(json.loads(sound.body)["feeds"], [])

    def test_unnumbered_fault_applies_to_every_request(self):
        sim = self.start("--fault", "error", "--fault", "empty@2")
        for _ in range(3):
            exchange(sim.port)
        self.assertEqual([r["reply"] for r in sim.requests()],
                         ["error", "empty", "error"])

    def test_a_stall_outlasts_a_client_timeout(self):
        sim = self.start("--fault", "stall@1")
        started = time.monotonic()
        self.assertEqual(exchange(sim.port, timeout=0.5).error, "timeout")
        self.assertLess(time.monotonic() - started, 5)
        # Other requests are served meanwhile.
        self.assertEqual(exchange(sim.port).status, 200)

    def test_bad_fault_is_refused_on_the_command_line(self):
        for bad in ("slow", "cut@0", "cut@x"):
            result = subprocess.run(
                [sys.executable, os.path.join(_HERE, "feed_sim.py"),
                 "--port", "0", "--fault", bad], capture_output=True)
            self.assertEqual(result.returncode, 2, bad)


class GroundTruthTest(SimulatorTestCase):
    def test_new_items_follow_deliveries(self):
        sim = self.start("--repeat-rate", "0.5", "--fault", "cut@2")
        for _ in range(5):
            exchange(sim.port)
        truth = sim.truth()
        items = [e for e in truth if e["type"] == "item"]
        self.assertEqual(len(items), 100)
        new = [e["stored"] for e in items if e["new"]]
        self.assertEqual(ground_truth.expected_records(truth), new)
        self.assertEqual(len({s["photo_id"] for s in new}), len(new))
        # Items past the cut are not delivered; when they come again they
        # are new.
        lost = {e["stored"]["photo_id"] for e in items if not e["delivered"]}
        seen_before = set()
        for e in items:
            if e["delivered"]:
                self.assertEqual(e["new"], e["stored"]["photo_id"]
                                 not in seen_before)
                seen_before.add(e["stored"]["photo_id"])
        self.assertTrue(lost)
        self.assertEqual(ground_truth.expected_records(truth, seen_before), [])

    def test_same_seed_serves_the_same_items(self):
        ids = []
        for pregenerate in ("0", "3"):
            sim = self.start("--seed", "42", "--pregenerate", pregenerate)
            exchange(sim.port)
            exchange(sim.port)
            ids.append([e["stored"]["photo_id"] for e in sim.truth()
                        if e["type"] == "item"])
        self.assertEqual(ids[0], ids[1])

    def test_item_entries_carry_reply_and_stored_fields(self):
        sim = self.start("--items", "3")
        exchange(sim.port)
        items = [e for e in sim.truth() if e["type"] == "item"]
        self.assertEqual([e["index"] for e in items], [1, 2, 3])
        for entry in items:
            self.assertEqual(set(entry["reply"]), set(ground_truth.FIELDS))
            self.assertEqual(set(entry["stored"]), set(ground_truth.FIELDS))
            self.assertEqual(entry["stored"]["main_mv_url"],
                             feed_items.normalised_url(
                                 entry["reply"]["main_mv_url"]))


if __name__ == "__main__":
    unittest.main()
