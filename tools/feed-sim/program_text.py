"""The text the collector holds for reply bytes, and the bytes it writes.

The collector decodes a whole reply as UTF-8 and converts it to code page 936
(GBK). Here that text is modelled as a Python str made only of characters
that GBK encodes, so that `gbk_bytes` gives the exact bytes of a field in the
collector's files.

The rules, measured against Wine's MultiByteToWideChar and
WideCharToMultiByte:
- an invalid UTF-8 sequence becomes U+FFFD, one per maximal invalid subpart
  (Python's "replace" error handler does the same);
- a character without a GBK form becomes "?", one per UTF-16 code unit, so a
  character beyond U+FFFF (most emoji) becomes "??".
Windows maps some further characters to a look-alike ("best fit", e.g. the
euro sign or accented capitals); the simulator never serves those, and
`CHECKED_WITHOUT_GBK_FORM` lists the characters without a GBK form that it
does serve, each checked to become "?" under Wine too.
"""

CHECKED_WITHOUT_GBK_FORM = frozenset(
    "\u2764"  # heavy black heart
    "\u2600"  # sun
    "\u2728"  # sparkles
    "\u2b50"  # star
    "\u2705"  # check mark button
    "\u270c"  # victory hand
    "\u263a"  # smiling face
    "\ufe0f"  # emoji presentation selector
    "\u200d"  # zero width joiner
)


def has_gbk_form(char):
    try:
        char.encode("gbk")
        return True
    except UnicodeEncodeError:
        return False


def from_unicode(text):
    """The collector's text for a str: characters without a GBK form become
    one "?" per UTF-16 code unit."""
    out = []
    for char in text:
        if has_gbk_form(char):
            out.append(char)
        else:
            out.append("??" if ord(char) > 0xFFFF else "?")
    return "".join(out)


def from_reply_bytes(data):
    """The collector's text for reply bytes that should be UTF-8."""
    return from_unicode(data.decode("utf-8", "replace"))


def gbk_bytes(text):
    """The bytes of the collector's text in its files."""
    return text.encode("gbk")
