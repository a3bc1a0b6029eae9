"""Reads a feed reply the way the collector does, for checking replies.

The collector does not parse JSON: it converts the reply to its text, cuts
it at every "reco_reason" and takes each field between literal markers.
Tests use this reading to show that every item the simulator serves yields
exactly the fields its ground truth promises.
"""

import feed_items
import program_text

_MARKERS = (
    ("caption", 'caption":"', '",'),
    ("time", 'time":"', '",'),
    ("photo_id", 'photo_id":', ","),
    ("user_id", 'user_id":', ","),
    ("user_name", 'user_name":"', '",'),
)
_VIDEO_MARKER = 'main_mv_url":"'


def split_pieces(text):
    """Cut at every "reco_reason"; no piece after a final separator and no
    piece at all for an empty text."""
    if not text:
        return []
    pieces = text.split("reco_reason")
    if pieces[-1] == "":
        pieces.pop()
    return pieces


def text_between(text, left, right):
    start = text.find(left)
    if start < 0:
        return ""
    start += len(left)
    end = text.find(right, start)
    return "" if end < 0 else text[start:end]


def text_before(text, marker):
    end = text.find(marker)
    return "" if end < 0 else text[:end]


def read_piece(piece):
    fields = {name: text_between(piece, left, right)
              for name, left, right in _MARKERS}
    address = text_between(piece, _VIDEO_MARKER, "mp4") + "mp4"
    if feed_items.FIRST_CDN_HOST in address:
        retaken = text_between(piece, _VIDEO_MARKER, "]")
        address = text_before(retaken, ".mp4") + ".mp4"
    if feed_items.SECOND_CDN_HOST in address:
        address = address.replace(feed_items.SECOND_CDN_HOST,
                                  feed_items.THIRD_CDN_HOST)
    fields["main_mv_url"] = address
    return fields


def read_reply(body, complete=True):
    """The records with an id that the collector takes from reply bytes; of
    a reply cut short, the last piece is not read."""
    pieces = split_pieces(program_text.from_reply_bytes(body))
    if not complete:
        pieces = pieces[:-1]
    records = [read_piece(piece) for piece in pieces]
    return [r for r in records if r["photo_id"]]


def agrees(records, stored):
    """Whether records read from a reply are those of |stored| (ground truth
    "stored" fields), a field of None standing for any text."""
    return len(records) == len(stored) and all(
        expected[field] is None or record[field] == expected[field]
        for record, expected in zip(records, stored) for field in expected)
