"""The one request the collector sends, and the check the service applies.

The collector sends the same POST every time: a fixed path and query, a fixed
form-encoded body, and its default header block. `check_request` compares
what arrived with that and lists every difference, so that a reply can refuse
anything else with an error object instead of a feed.
"""

TARGET = (
    "/rest/n/feed/list?type=7&lat=23.364088&lon=110.080621&ver=4.46&ud=0"
    "&sys=ANDROID_4.4.4&c=BAIDU&oc=BAIDU&net=WIFI&did=ANDROID_4f81b0c2d7e65a93"
    "&mod=Xiaomi%28MI+4LTE%29&app=0&language=zh-cn&country_code=CN"
    "&appver=4.46.1.1739"
)

BODY = (
    b"id=21&os=android&client_key=9b07a1e4&last=1049&count=20&token=&page=1"
    b"&pcursor=&pv=false&mtype=2&type=7&sig=5f1c7a0b3e8d2946c0b7e15a9d3f6284"
)

# Headers of the collector's default block, each expected exactly once with
# exactly this value. Header names are compared without regard to case, as
# any HTTP server does; values byte for byte.
HEADERS = (
    ("User-Agent",
     "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)"),
    ("Accept", "text/html, application/xhtml+xml, */*"),
    ("Accept-Encoding", "gbk, GB2312"),
    ("Accept-Language", "zh-cn"),
    ("Content-Type", "application/x-www-form-urlencoded"),
    ("Cache-Control", "no-cache"),
)


def check_request(method, target, headers, body):
    """Lists what differs from the fixed request; empty when it matches.

    |headers| is a list of (name, value) pairs in arrival order, |body| the
    bytes read (None when the length was unknown and nothing was read).
    """
    problems = []
    if method != "POST":
        problems.append("method %s, not POST" % method)
    if target != TARGET:
        problems.append("request target differs: %s" % target)
    for name, expected in HEADERS:
        values = [v for n, v in headers if n.lower() == name.lower()]
        if not values:
            problems.append("no %s header" % name)
        elif len(values) > 1:
            problems.append("%d %s headers: %s" % (len(values), name, values))
        elif values[0] != expected:
            problems.append("%s is %r" % (name, values[0]))
    if any(n.lower() == "transfer-encoding" for n, _ in headers):
        problems.append("body sent with Transfer-Encoding")
    if body is None:
        problems.append("no Content-Length")
    elif body != BODY:
        problems.append("body differs: %r" % body)
    return problems
