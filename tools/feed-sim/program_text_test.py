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
            (b"", ""),
        )
        for data, expected in cases:
            self.assertEqual(program_text.from_reply_bytes(data), expected,
                             data)

    def test_record_line_bytes(self):
        stored = {"user_name": "小雨", "user_id": "12", "photo_id": "34",
                  "caption": r"a\"b ??", "time": "2025-11-30 10:00:00",
                  "main_mv_url": "http://h/x.mp4"}
        self.assertEqual(
            ground_truth.record_line(stored),
            b"\xd0\xa1\xd3\xea----12----34----a\\\"b ??----"
            b"2025-11-30 10:00:00----http://h/x.mp4\r\n")


if __name__ == "__main__":
    unittest.main()
