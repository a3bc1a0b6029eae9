"""The service's cookies: set on a client's first reply, expected back after.

A request without a Cookie header starts a session: its reply sets four
cookies. Every later reply of the session sets "sid" anew (a changed value
must replace the old one) and the session's second reply deletes
"region_ticket" (a deleted cookie must not come back). A request with a
Cookie header is checked against what its session was last told.
"""

import random

_EXPIRES = "Expires=Wed, 01 Dec 2027 12:00:00 GMT"
_DELETED = "Expires=Thu, 01 Jan 1970 00:00:01 GMT"


class _Session:
    def __init__(self, did):
        self.did = did
        self.expected = {}  # name -> value the client must send
        self.deleted = set()  # names the client must no longer send
        self.replies = 0


class CookieSessions:
    """Sessions keyed by their "did" cookie. Not thread-safe."""

    def __init__(self, seed):
        self._random = random.Random("%s-cookies" % seed)
        self._sessions = {}

    def check(self, cookie_headers):
        """Checks the Cookie headers of one request.

        Returns (verdict, problems, session): verdict is "none" (no Cookie
        header: a new client or a new run), "ok", or "wrong" with the
        problems listed; session is the session to continue, or None.
        """
        if not cookie_headers:
            return "none", [], None
        problems = []
        if len(cookie_headers) > 1:
            problems.append("%d Cookie headers" % len(cookie_headers))
        sent = {}
        for item in "; ".join(cookie_headers).split(";"):
            name, _, value = item.strip().partition("=")
            if name in sent:
                problems.append("cookie %s sent twice" % name)
            sent[name] = value
        session = self._sessions.get(sent.get("did"))
        if session is None:
            problems.append("no session has did=%s" % sent.get("did"))
            return "wrong", problems, None
        for name, value in session.expected.items():
            if name not in sent:
                problems.append("cookie %s missing" % name)
            elif sent[name] != value:
                problems.append("cookie %s is %r, not %r" % (
                    name, sent[name], value))
        for name in session.deleted:
            if name in sent:
                problems.append("deleted cookie %s sent" % name)
        return ("wrong" if problems else "ok"), problems, session

    def reply_cookies(self, session):
        """The Set-Cookie values of a complete reply in |session| (None
        starts a new session). Updates what the session expects next."""
        if session is None:
            did = "web_%032x" % self._random.getrandbits(128)
            session = _Session(did)
            self._sessions[did] = session
        session.replies += 1
        lines = []
        if session.replies == 1:
            values = (
                ("did", session.did, "Path=/; " + _EXPIRES),
                ("kuaishou.api_st", "Cg9rdWFpc2hvdS5hcGkuc3QS%x" %
                 self._random.getrandbits(96), "Path=/; HttpOnly"),
                ("region_ticket", "RT_%X" % self._random.getrandbits(64),
                 "Path=/"),
            )
            for name, value, attributes in values:
                session.expected[name] = value
                lines.append("%s=%s; %s" % (name, value, attributes))
        if session.replies == 2:
            session.expected.pop("region_ticket", None)
            session.deleted.add("region_ticket")
            lines.append("region_ticket=deleted; Path=/; " + _DELETED)
        sid = "%d_%x" % (session.replies, self._random.getrandbits(32))
        session.expected["sid"] = sid
        lines.append("sid=%s; Path=/" % sid)
        return lines
