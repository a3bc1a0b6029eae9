import unittest

import fixed_request

GOOD_HEADERS = [("Host", "192.0.2.1"), ("Connection", "Keep-Alive"),
                ("Content-Length", str(len(fixed_request.BODY)))]
GOOD_HEADERS += list(fixed_request.HEADERS)


def with_header(name, value):
    """GOOD_HEADERS with |name| replaced by |value| (None removes it)."""
    headers = [(n, v) for n, v in GOOD_HEADERS if n != name]
    return headers + [(name, value)] if value is not None else headers


class CheckRequestTest(unittest.TestCase):
    def test_the_collectors_request_passes(self):
        self.assertEqual(fixed_request.check_request(
            "POST", fixed_request.TARGET, GOOD_HEADERS, fixed_request.BODY),
            [])
        # Header names are not case-sensitive; extra headers are fine.
        headers = [(n.lower(), v) for n, v in GOOD_HEADERS]
        headers.append(("Cookie", "did=1"))
        self.assertEqual(fixed_request.check_request(
            "POST", fixed_request.TARGET, headers, fixed_request.BODY), [])

    def test_other_requests_are_refused(self):
        target = fixed_request.TARGET
        body = fixed_request.BODY
        cases = (
            ("GET", target, GOOD_HEADERS, body, "method GET"),
            ("POST", "/rest/n/feed/list", GOOD_HEADERS, body, "target"),
            ("POST", target.replace("ver=4.46", "ver=4.47"), GOOD_HEADERS,
             body, "target"),
            ("POST", target, GOOD_HEADERS, body.replace(b"page=1", b"page=2"),
             "body differs"),
            ("POST", target, GOOD_HEADERS, body + b"\r\n", "body differs"),
            ("POST", target, GOOD_HEADERS, None, "no Content-Length"),
            ("POST", target, with_header("User-Agent", None), body,
             "no User-Agent"),
            ("POST", target, with_header("Accept", "*/*"), body,
             "Accept is '*/*'"),
            ("POST", target, with_header("Accept-Encoding", "gzip"), body,
             "Accept-Encoding"),
            ("POST", target, with_header("Accept-Language", None), body,
             "no Accept-Language"),
            ("POST", target, with_header("Cache-Control", None), body,
             "no Cache-Control"),
            ("POST", target,
             GOOD_HEADERS + [("content-type", "text/plain")], body,
             "2 Content-Type headers"),
            ("POST", target,
             GOOD_HEADERS + [("Transfer-Encoding", "chunked")], body,
             "Transfer-Encoding"),
        )
        for method, target_sent, headers, body_sent, problem in cases:
            problems = fixed_request.check_request(method, target_sent,
                                                   headers, body_sent)
            self.assertEqual(len(problems), 1, problems)
            self.assertIn(problem, problems[0])


if __name__ == "__main__":
    unittest.main()
