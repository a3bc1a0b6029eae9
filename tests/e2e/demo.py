#!/usr/bin/python3
"""Shows the collector at work against the local feed simulator.

Starts the simulator in a network namespace of its own, where it owns the
collector's API address, starts the collector there on the given X display,
collects a few pages as a user would, prints the rows collected and the
first lines of the two files, and saves a screenshot. With --keep-open the
window stays open until the user closes it. Needs root. Normally started by
scripts/demo.
"""

import argparse
import os
import sys

import harness
from harness import RECORD_FILE, SEEN_ID_FILE


def parse_options():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--binary", required=True,
                        help="feed-collector or feed-collector.exe")
    parser.add_argument("--window-probe",
                        help="window_probe.exe, for the Windows build")
    parser.add_argument("--address", default="192.0.2.1")
    parser.add_argument("--fetches", type=int, default=3)
    parser.add_argument("--pause", type=int, default=500,
                        help="milliseconds between fetches")
    parser.add_argument("--display", required=True,
                        help="X display to show the window on")
    parser.add_argument("--keep-open", action="store_true",
                        help="leave the window open for the user")
    parser.add_argument("--directory", required=True,
                        help="the program's directory; its two files are "
                        "removed first, so that every demo collects")
    parser.add_argument("--screenshot", required=True)
    return parser.parse_args()


def show_file(program, name, lines):
    data = program.file_bytes(name) or b""
    print("\n%s (%d bytes), first %d lines:" % (name, len(data), lines))
    for line in data.split(b"\r\n")[:lines]:
        print("  " + line.decode("gbk", "replace"))


def main():
    options = parse_options()
    reason = harness.missing_prerequisites(
        linux_binary=None if options.window_probe else options.binary,
        windows_binary=options.binary if options.window_probe else None)
    if reason:
        sys.exit("demo: " + reason)
    environment = harness.Environment(options.address,
                                      display=options.display)
    try:
        simulator = harness.Simulator(environment, "--quiet")
        print("feed simulator on http://%s/ (namespace %s)" % (
            options.address, environment.name))
        directory = os.path.abspath(options.directory)
        for name in (RECORD_FILE, SEEN_ID_FILE):
            if os.path.exists(os.path.join(directory, name)):
                os.remove(os.path.join(directory, name))
        if options.window_probe:
            wine = harness.WineEnvironment(environment, options.window_probe)
            program = harness.WindowsProgram(wine, options.binary, directory)
        else:
            program = harness.LinuxProgram(environment, options.binary,
                                           directory)
        window = program.wait_for_window()
        print("window: " + window.title)
        program.set_settings(options.fetches, options.pause)
        program.collect(simulator, options.fetches)

        window = program.window()
        records = (program.file_bytes(RECORD_FILE) or b"").split(b"\r\n")[:-1]
        print("\n%s; %d requests, %d rows stored:" % (
            window.status(), len(simulator.requests()), len(records)))
        for line in records:
            fields = line.decode("gbk", "replace").split("----")
            print("  %-20s %-20s %s" % (fields[0][:20], fields[2],
                                        fields[3][:40]))
        show_file(program, RECORD_FILE, 3)
        show_file(program, SEEN_ID_FILE, 3)
        print("\nboth files are in " + directory)

        os.makedirs(os.path.dirname(os.path.abspath(options.screenshot)),
                    exist_ok=True)
        environment.screenshot(options.screenshot, window.extents)
        print("\nscreenshot: " + options.screenshot)
        if options.keep_open:
            print("the window stays open; close it to end the demo")
            program.process.wait()
        else:
            program.close_window()
            program.wait_for_exit(10)
    finally:
        environment.close()


if __name__ == "__main__":
    main()
