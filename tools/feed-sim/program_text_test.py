import unittest

import ground_truth
import program_text


class ProgramTextTest(unittest.TestCase):
    def test_reply_bytes_to_the_collectors_text(self):
        # Expected results measured with Wine's MultiByteToWideChar(65001)
        # followed by WideCharToMultiByte(936).
        cases = (
            ("你好".encode("utf-8"), "你好"),
            ("😀".encode("utf-8"), "??"),
            ("❤️".encode("utf-8"), "??"),
            ("—·…é".encode("utf-8"), "—·…é"),
            (b"ab\xc4\xe3\xba\xc3cd", "ab???cd"),  # GBK bytes of 你好
            (b'\xe4\xbd"x', '?"x'),  # a sequence cut short before a quote
            # Over-long forms, a surrogate, beyond U+10FFFF: rejected after
            # the second byte.
            (b"a\xe0\x80\x80b", "a??b"),
            (b"a\xe0\x9f\xbfb", "a??b"),
            (b"a\xed\xa0\x80b", "a??b"),
            (b"a\xf0\x80\x80\x80b", "a???b"),
            (b"a\xf4\x90\x80\x80b", "a???b"),
            (b"a\xc0\xafb", "a??b"),
            (b"a\xf8\x88\x80\x80\x80b", "a?????b"),
            (b"a\xf0\x9f\x98b", "a?b"),
            (b"\xe4\xb8", "?"),
            (b"", ""),
        )
        for data, expected in cases:
            self.assertEqual(program_text.from_reply_bytes(data), expected,
                             data)

    def test_build_dependent_text_is_flagged(self):
        # The micro sign has no GBK form; Windows writes a Greek mu for it.
        self.assertIsNone(program_text.from_reply_bytes_if_certain(
            "a\u00b5".encode("utf-8")))
        # Undecodable bytes, an emoji and a heart are "?" in every build.
        self.assertEqual(program_text.from_reply_bytes_if_certain(
            b"\xc4\xe3" + "😀❤".encode("utf-8")), "?????")

    def test_record_line_bytes(self):
        stored = {"user_name": "小雨", "user_id": "12", "photo_id": "34",
                  "caption": r"a\"b ??", "time": "2025-11-30 10:00:00",
                  "main_mv_url": "http://h/x.mp4"}
        self.assertEqual(
            ground_truth.record_line(stored),
            b"\xd0\xa1\xd3\xea----12----34----a\\\"b ??----"
            b"2025-11-30 10:00:00----http://h/x.mp4\r\n")
        pattern = ground_truth.record_line_pattern(dict(stored, caption=None))
        self.assertTrue(pattern.fullmatch(ground_truth.record_line(stored)))
        self.assertTrue(pattern.fullmatch(ground_truth.record_line(
            dict(stored, caption="x----y"))))
        self.assertFalse(pattern.fullmatch(ground_truth.record_line(
            dict(stored, time="2025-11-30 10:00:01"))))


if __name__ == "__main__":
    unittest.main()
