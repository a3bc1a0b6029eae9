"""Which requests get which misbehaving reply.

A fault is written KIND (every request) or KIND@N[,N...] (only the requests
with those numbers, counted from 1 in order of arrival). When several apply
to one request, a numbered one wins over an unnumbered one, and an earlier
one over a later one.
"""

KINDS = {
    "error": "an error object: result 2, \"操作太快了\"",
    "empty": "a feed reply with an empty list",
    "cut": "the connection closes in the middle of an item, before "
           "Content-Length bytes (or the last chunk) were sent",
    "reset": "the connection is reset after the headers and the reply's head",
    "stall": "no reply at all; the connection closes after --stall-seconds",
    "server-error": "status 500 with an HTML page",
    "gbk": "a feed reply encoded in GBK instead of UTF-8",
}


class FaultPlan:
    def __init__(self, written):
        """|written|: the faults as written on the command line. Raises
        ValueError for an unknown kind or a bad request number."""
        self._numbered = []  # (kind, set of numbers)
        self._always = []
        for fault in written:
            kind, at, numbers = fault.partition("@")
            if kind not in KINDS:
                raise ValueError("unknown fault %r (known: %s)" % (
                    kind, ", ".join(sorted(KINDS))))
            if not at:
                self._always.append(kind)
                continue
            try:
                wanted = {int(n) for n in numbers.split(",")}
            except ValueError:
                raise ValueError("bad request numbers in %r" % fault) from None
            if min(wanted) < 1:
                raise ValueError("requests are numbered from 1: %r" % fault)
            self._numbered.append((kind, wanted))

    def fault_for(self, request_number):
        """The fault kind for that request, or None for a sound reply."""
        for kind, wanted in self._numbered:
            if request_number in wanted:
                return kind
        return self._always[0] if self._always else None
