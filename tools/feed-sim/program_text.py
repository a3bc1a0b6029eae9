"""The text the collector holds for reply bytes, and the bytes it writes.

The collector decodes a whole reply as UTF-8 and converts it to code page 936
(GBK). Here that text is modelled as a Python str made only of characters
that GBK encodes, so that `gbk_bytes` gives the exact bytes of a field in the
collector's files.

The rules, measured against Wine's MultiByteToWideChar and
WideCharToMultiByte:
- undecodable UTF-8 becomes U+FFFD: a sequence ends at the first byte that
  cannot continue it; a byte that starts no sequence and a stray
  continuation byte each give one; an over-long form, a surrogate or a code
  point beyond U+10FFFF is rejected after its second byte (so E0 80 80 gives
  two, where Python's "replace" handler gives three);
- a character without a GBK form becomes "?", one per UTF-16 code unit, so a
  character beyond U+FFFF (most emoji) becomes "??".
Windows maps some further characters to a look-alike ("best fit", e.g. the
euro sign or micro sign); other builds write "?" for them. The simulator
never serves those on purpose: `CHECKED_WITHOUT_GBK_FORM` lists the
characters without a GBK form that it does serve, each checked to become "?"
under Wine too. Bytes that are not UTF-8 can decode to any character, so
`from_reply_bytes_if_certain` says when the result depends on the build.
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


# Sequence length and allowed range of the second byte, by lead byte.
def _sequence_rule(lead):
    if 0xC2 <= lead <= 0xDF:
        return 2, 0x80, 0xBF
    if lead == 0xE0:
        return 3, 0xA0, 0xBF
    if lead == 0xED:
        return 3, 0x80, 0x9F
    if 0xE1 <= lead <= 0xEF:
        return 3, 0x80, 0xBF
    if lead == 0xF0:
        return 4, 0x90, 0xBF
    if lead == 0xF4:
        return 4, 0x80, 0x8F
    if 0xF1 <= lead <= 0xF3:
        return 4, 0x80, 0xBF
    return 1, 0, 0  # starts no sequence


def decode_utf8(data):
    """UTF-8 to str with the replacements described above."""
    out = []
    i, n = 0, len(data)
    while i < n:
        lead = data[i]
        if lead < 0x80:
            out.append(chr(lead))
            i += 1
            continue
        length, low, high = _sequence_rule(lead)
        if length == 1:
            out.append("\ufffd")
            i += 1
            continue
        if i + 1 >= n or not 0x80 <= data[i + 1] <= 0xBF:
            out.append("\ufffd")  # nothing continues the lead byte
            i += 1
            continue
        if not low <= data[i + 1] <= high:
            out.append("\ufffd")  # rejected after the second byte
            i += 2
            continue
        end = i + 2
        while end < i + length and end < n and 0x80 <= data[end] <= 0xBF:
            end += 1
        if end < i + length:
            out.append("\ufffd")  # cut short
        else:
            out.append(data[i:end].decode("utf-8"))
        i = end
    return "".join(out)


def from_reply_bytes(data):
    """The collector's text for reply bytes that should be UTF-8."""
    return from_unicode(decode_utf8(data))


def from_reply_bytes_if_certain(data):
    """As from_reply_bytes, or None when the bytes decode to a character
    that some builds map to a look-alike and others to "?"."""
    decoded = decode_utf8(data)
    for char in decoded:
        if (char != "\ufffd" and ord(char) <= 0xFFFF and
                char not in CHECKED_WITHOUT_GBK_FORM and
                not has_gbk_form(char)):
            return None
    return from_unicode(decoded)


def gbk_bytes(text):
    """The bytes of the collector's text in its files."""
    return text.encode("gbk")
