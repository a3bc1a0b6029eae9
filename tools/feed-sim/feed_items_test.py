import collections
import datetime
import json
import re
import unittest

import feed_items
import marker_check
import program_text


def make_pages(seed, count, **options):
    generator = feed_items.FeedGenerator(seed, **options)
    pages = []
    for _ in range(count):
        page = generator.next_page()
        generator.mark_delivered(page)
        pages.append(page)
    return pages


class ReplyShapeTest(unittest.TestCase):
    def test_reply_is_a_feed_object_with_reco_reason_last(self):
        page = make_pages(7, 1)[0]
        reply = json.loads(feed_items.reply_json(page, "1234567890123456789"),
                           object_pairs_hook=collections.OrderedDict)
        self.assertEqual(reply["result"], 1)
        self.assertEqual(reply["pcursor"], "1")
        self.assertEqual(len(reply["feeds"]), 20)
        beijing = datetime.timezone(datetime.timedelta(hours=8))
        for served, item in zip(reply["feeds"], page):
            self.assertEqual(list(served)[-1], "reco_reason")
            # Ids above 2**53 survive only as exact integers.
            self.assertGreater(served["photo_id"], 2**53)
            self.assertEqual(str(served["photo_id"]), item.photo_id)
            moment = datetime.datetime.fromtimestamp(
                served["timestamp"] // 1000, beijing)
            self.assertEqual(served["time"],
                             moment.strftime("%Y-%m-%d %H:%M:%S"))
            self.assertIn(feed_items._url_host(served["main_mv_url"]),
                          (feed_items.FIRST_CDN_HOST,
                           feed_items.SECOND_CDN_HOST,
                           feed_items.THIRD_CDN_HOST))

    def test_empty_reply_has_no_items(self):
        text = feed_items.reply_json([], "1")
        self.assertEqual(json.loads(text)["feeds"], [])
        self.assertNotIn("reco_reason", text)

    def test_every_served_character_has_a_known_gbk_result(self):
        texts = (feed_items.USER_NAMES + feed_items.CAPTION_BODIES +
                 feed_items.TAGS + feed_items.RECO_REASONS)
        for text in texts:
            for char in json.loads('"%s"' % text):
                self.assertTrue(
                    program_text.has_gbk_form(char) or ord(char) > 0xFFFF or
                    char in program_text.CHECKED_WITHOUT_GBK_FORM,
                    "U+%04X in %s" % (ord(char), text))


class StoredFieldsTest(unittest.TestCase):
    def test_markers_find_what_the_ground_truth_promises(self):
        # Many pages, so that every kind of address and caption turns up.
        kinds = collections.Counter()
        captions = set()
        for encoding in ("utf-8", "gbk"):
            for page in make_pages(3, 40, repeat_rate=0.2):
                body = feed_items.reply_json(page, "1").encode(
                    encoding, "replace")
                expected = [feed_items.stored_fields(item, encoding)
                            for item in page]
                self.assertTrue(marker_check.agrees(
                    marker_check.read_reply(body), expected))
                if encoding == "utf-8":
                    self.assertNotIn(None, [v for e in expected
                                            for v in e.values()])
                kinds.update(item.url_kind for item in page)
                captions.update(e["caption"] for e in expected
                                if e["caption"] is not None)
        self.assertEqual(set(kinds), {"first", "first-mp4-dir",
                                      "first-to-second", "second", "third",
                                      "escaped-slashes"})
        self.assertTrue(any(c.endswith("\\") for c in captions))
        self.assertTrue(any("??" in c for c in captions))
        self.assertIn("", captions)

    def test_normalised_addresses(self):
        js, ali, tx = (feed_items.FIRST_CDN_HOST, feed_items.SECOND_CDN_HOST,
                       feed_items.THIRD_CDN_HOST)
        cases = (
            ("http://%s/upic/a_b.mp4?tag=1" % tx, "http://%s/upic/a_b.mp4" % tx),
            ("http://%s/upic/a_b.mp4?tag=1" % ali, "http://%s/upic/a_b.mp4" % tx),
            ("http://%s/bs2/mp4/x/a_b.mp4?tag=1" % js,
             "http://%s/bs2/mp4/x/a_b.mp4" % js),
            ("http://%s/bs2/mp4proxy/%s/a_b.mp4?t=1" % (js, ali),
             "http://%s/bs2/mp4proxy/%s/a_b.mp4" % (js, tx)),
            (r"http:\/\/%s\/upic\/a_b.mp4?tag=1" % ali,
             r"http:\/\/%s\/upic\/a_b.mp4" % tx),
        )
        for url, expected in cases:
            self.assertEqual(feed_items.normalised_url(url), expected, url)

    def test_gbk_reply_garbles_only_non_ascii_fields(self):
        page = make_pages(5, 1)[0]
        for item in page:
            utf8 = feed_items.stored_fields(item, "utf-8")
            gbk = feed_items.stored_fields(item, "gbk")
            for field in ("photo_id", "user_id", "time", "main_mv_url"):
                self.assertEqual(gbk[field], utf8[field])
            if item.user_name.isascii():
                self.assertEqual(gbk["user_name"], utf8["user_name"])
            else:
                self.assertNotEqual(gbk["user_name"], utf8["user_name"])


class RepeatsTest(unittest.TestCase):
    def test_repeat_rate_and_repeated_items(self):
        pages = make_pages(11, 60, repeat_rate=0.3, nested_id_rate=0.05)
        first_seen = {}
        later_slots = repeats = nested = 0
        for number, page in enumerate(pages):
            for item in page:
                if number > 0:
                    later_slots += 1
                if item.kind == "repeat":
                    repeats += 1
                    original = first_seen[item.photo_id]
                    self.assertEqual(feed_items.stored_fields(item),
                                     feed_items.stored_fields(original))
                    continue
                self.assertNotIn(item.photo_id, first_seen)
                if item.kind == "nested":
                    nested += 1
                    self.assertTrue(any(item.photo_id in earlier
                                        for earlier in first_seen))
                first_seen[item.photo_id] = item
        self.assertAlmostEqual(repeats / later_slots, 0.3, delta=0.05)
        self.assertAlmostEqual(nested / later_slots, 0.035, delta=0.02)

    def test_no_repeats_at_rate_zero(self):
        pages = make_pages(2, 5, repeat_rate=0, nested_id_rate=0)
        self.assertEqual({i.kind for p in pages for i in p}, {"fresh"})

    def test_same_seed_same_pages(self):
        def replies(seed):
            return [feed_items.reply_json(p, "1")
                    for p in make_pages(seed, 3)]
        self.assertEqual(replies(4), replies(4))
        self.assertNotEqual(replies(4), replies(5))

    def test_fresh_ids_are_19_digits(self):
        for page in make_pages(9, 3, nested_id_rate=0):
            for item in page:
                self.assertRegex(item.photo_id, re.compile(r"^[1-9]\d{18}$"))


if __name__ == "__main__":
    unittest.main()
