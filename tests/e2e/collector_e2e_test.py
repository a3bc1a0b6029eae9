"""End-to-end tests of the unmodified collector binaries.

Each build runs in a network namespace where the feed simulator owns the
configured API address on port 80, under Xvfb, driven with xdotool; the
files beside the program are compared with the simulator's ground truth.

  /usr/bin/python3 tests/e2e/collector_e2e_test.py -v

Binaries (defaults from the build tree): FEED_COLLECTOR_LINUX,
FEED_COLLECTOR_WINDOWS, FEED_WINDOW_PROBE; the address: FEED_API_HOST, else
the native build's CMake cache, else 192.0.2.1. A build that is not there is
skipped; so is everything without root, unless FEED_E2E_REQUIRED is set.
"""

import os
import re
import time
import unittest

import harness
from harness import RECORD_FILE, SEEN_ID_FILE, ground_truth

BUILD = os.path.join(harness.ROOT, "build")


def build_file(variable, *parts):
    return os.environ.get(variable) or os.path.join(BUILD, *parts)


LINUX_BINARY = build_file("FEED_COLLECTOR_LINUX", "native", "src", "app",
                          "feed-collector")
WINDOWS_BINARY = build_file("FEED_COLLECTOR_WINDOWS", "windows",
                            "feed-collector.exe")
WINDOW_PROBE = build_file("FEED_WINDOW_PROBE", "windows", "tests", "e2e",
                          "window_probe.exe")


def api_host():
    if os.environ.get("FEED_API_HOST"):
        return os.environ["FEED_API_HOST"]
    cache = os.path.join(BUILD, "native", "CMakeCache.txt")
    if os.path.exists(cache):
        with open(cache) as f:
            match = re.search(r"^FEED_API_HOST:STRING=(.+)$", f.read(), re.M)
            if match:
                return match.group(1).strip()
    return "192.0.2.1"


def check_can_run(prerequisites_missing, *binaries):
    """Skips the class when a binary is not built or something it needs is
    missing; the latter fails instead where the tests must run
    (FEED_E2E_REQUIRED set, as scripts/test does as root)."""
    for binary in binaries:
        if not os.path.exists(binary):
            raise unittest.SkipTest("%s is not built" % binary)
    if prerequisites_missing:
        if os.environ.get("FEED_E2E_REQUIRED"):
            raise RuntimeError("cannot run: " + prerequisites_missing)
        raise unittest.SkipTest(prerequisites_missing)


class CollectorScenarios:
    """The scenarios, for any build; subclasses start the program."""

    environment = None
    # How long the program may take to end once its window is closed during
    # a run (it must stop the run and save within two seconds).
    close_limit = 2.0

    def start_program(self, directory):
        raise NotImplementedError

    def setUp(self):
        self.directory = self.environment.path(self.id().rsplit(".", 1)[1])
        self.simulators = []
        self.programs = []

    def tearDown(self):
        for program in self.programs:
            harness.stop_process(program.process)
        for simulator in self.simulators:
            simulator.stop()

    def simulator(self, *arguments):
        for earlier in self.simulators:
            earlier.stop()  # only one can own the address
        simulator = harness.Simulator(self.environment, *arguments)
        self.simulators.append(simulator)
        return simulator

    def program(self):
        program = self.start_program(self.directory)
        self.programs.append(program)
        program.wait_for_window()
        return program

    # Checks.
    def assert_record_file(self, program, records):
        data = program.file_bytes(RECORD_FILE) or b""
        position = 0
        for number, stored in enumerate(records, start=1):
            match = ground_truth.record_line_pattern(stored).match(
                data, position)
            found = data[position:position + 300].decode("gbk", "replace")
            self.assertIsNotNone(match, "record line %d: expected %r, found "
                                 "%r" % (number, stored, found))
            position = match.end()
        self.assertEqual(data[position:].decode("gbk", "replace"), "",
                         "lines beyond the expected")

    def assert_seen_ids(self, program, ids):
        expected = b"".join(i.encode("ascii") + b"\r\n" for i in ids)
        self.assertEqual(program.file_bytes(SEEN_ID_FILE) or b"", expected)

    def assert_rows(self, program, rows):
        window = program.window()
        self.assertEqual(window.status(), "采集到:%d 条" % rows)
        self.assertEqual(window.rows(), rows)

    def close_and_wait(self, program, timeout=5):
        program.close_window()
        started = time.monotonic()
        program.wait_for_exit(timeout)
        took = time.monotonic() - started
        if os.environ.get("FEED_E2E_VERBOSE"):
            print(" closed in %.2f s" % took, end="", flush=True)
        return took

    # Scenarios.
    def test_collects_new_items_and_suppresses_them_at_the_next_start(self):
        simulator = self.simulator("--seed", "7")
        program = self.program()
        program.set_settings(3, 0)
        program.collect(simulator, 3)

        truth = simulator.truth()
        records = ground_truth.expected_records(truth)
        self.assertGreater(len(records), 40)
        self.assert_record_file(program, records)
        self.assert_seen_ids(program, [r["photo_id"] for r in records])
        self.assert_rows(program, len(records))
        requests = simulator.requests()
        self.assertEqual([r["problems"] for r in requests], [[], [], []])
        self.assertEqual([r["cookies"] for r in requests],
                         ["none", "ok", "ok"], requests[-1]["cookie_problems"])
        self.close_and_wait(program)
        record_file = program.file_bytes(RECORD_FILE)

        # The same items again, in chunks, to a new start of the program.
        simulator = self.simulator("--seed", "7", "--chunked")
        program = self.program()
        program.set_settings(3, 0)
        program.collect(simulator, 3)
        self.assertEqual(program.file_bytes(RECORD_FILE), record_file)
        self.assert_seen_ids(program, [r["photo_id"] for r in records])
        self.assert_rows(program, 0)
        # A new run starts without cookies.
        self.assertEqual(simulator.requests()[0]["cookies"], "none")
        self.close_and_wait(program)

    def test_unchecked_box_collects_duplicates_and_leaves_the_files(self):
        simulator = self.simulator("--seed", "8", "--repeat-rate", "0.5")
        program = self.program()
        program.set_settings(2, 0)
        program.collect(simulator, 2)
        stored = ground_truth.expected_records(simulator.truth())
        record_file = program.file_bytes(RECORD_FILE)
        seen_ids = program.file_bytes(SEEN_ID_FILE)

        program.set_suppression(False)
        program.collect(simulator, 2)
        second_run = [e for e in simulator.truth()
                      if e["type"] == "item" and e["request"] > 2]
        self.assertTrue(any(not e["new"] for e in second_run))
        self.assert_rows(program, len(stored) + len(second_run))
        self.assertEqual(program.file_bytes(RECORD_FILE), record_file)
        self.assertEqual(program.file_bytes(SEEN_ID_FILE), seen_ids)
        self.close_and_wait(program)

    def test_faulty_replies_add_nothing_and_break_nothing(self):
        simulator = self.simulator(
            "--seed", "9", "--fault", "error@1", "--fault", "cut@2",
            "--fault", "server-error@3", "--fault", "gbk@4",
            "--fault", "empty@5", "--fault", "reset@6")
        program = self.program()
        program.set_settings(7, 0)
        program.collect(simulator, 7)
        truth = simulator.truth()
        self.assertEqual([r["reply"] for r in simulator.requests()],
                         ["error", "cut", "server-error", "gbk", "empty",
                          "reset", "feed"])
        records = ground_truth.expected_records(truth)
        self.assert_record_file(program, records)
        self.assert_seen_ids(program, [r["photo_id"] for r in records])
        self.assert_rows(program, len(records))
        self.assertIsNone(program.process.poll())
        self.close_and_wait(program)

    def test_closing_during_a_stalled_request_keeps_both_files_whole(self):
        simulator = self.simulator("--seed", "10", "--fault", "stall@2",
                                   "--stall-seconds", "120")
        program = self.program()
        program.set_settings(3, 0)
        program.click(program.window().button())
        harness.wait_until(lambda: len(simulator.requests()) == 2, 60,
                           "the stalled request")
        took = self.close_and_wait(program)
        self.assertLess(took, self.close_limit)
        records = ground_truth.expected_records(simulator.truth())
        self.assertEqual(len(records), len({r["photo_id"] for r in records}))
        self.assert_record_file(program, records)
        self.assert_seen_ids(program, [r["photo_id"] for r in records])

    def test_closing_during_a_pause_keeps_both_files_whole(self):
        simulator = self.simulator("--seed", "11")
        program = self.program()
        program.set_settings(3, 60000)
        program.click(program.window().button())
        harness.wait_until(lambda: simulator.requests(), 60, "a request")
        records = ground_truth.expected_records(simulator.truth())
        harness.wait_until(
            lambda: program.window().status() == "采集到:%d 条" % len(records),
            30, "the first page's rows")
        took = self.close_and_wait(program)
        self.assertLess(took, self.close_limit)
        self.assertEqual(len(simulator.requests()), 1)
        self.assert_record_file(program, records)
        self.assert_seen_ids(program, [r["photo_id"] for r in records])


class LinuxCollectorTest(CollectorScenarios, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        check_can_run(harness.missing_prerequisites(linux_binary=LINUX_BINARY),
                      LINUX_BINARY)
        cls.environment = harness.Environment(api_host())

    @classmethod
    def tearDownClass(cls):
        cls.environment.close()

    def start_program(self, directory):
        return harness.LinuxProgram(self.environment, LINUX_BINARY, directory)


class WindowsCollectorTest(CollectorScenarios, unittest.TestCase):
    # Under Wine even a trivial Windows program takes about 2 s to end after
    # its window closes (measured: a window that quits on Escape).
    close_limit = 4.5

    @classmethod
    def setUpClass(cls):
        check_can_run(
            harness.missing_prerequisites(windows_binary=WINDOWS_BINARY),
            WINDOWS_BINARY, WINDOW_PROBE)
        cls.environment = harness.Environment(api_host())
        try:
            cls.wine = harness.WineEnvironment(cls.environment, WINDOW_PROBE)
        except BaseException:
            cls.environment.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.environment.close()

    def start_program(self, directory):
        return harness.WindowsProgram(self.wine, WINDOWS_BINARY, directory)


if __name__ == "__main__":
    unittest.main()
