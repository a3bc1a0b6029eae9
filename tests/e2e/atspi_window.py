#!/usr/bin/python3
"""Prints the windows of one process as the accessibility bus shows them.

    atspi_window.py PID

Output: one JSON object, {"windows": [window, ...]}, where a window is
{"title": ..., "extents": [x, y, width, height], "controls": [control, ...]}
and a control is {"role": ..., "name": ..., "extents": [...]} with "text"
for labels and text boxes, "checked" for check boxes and "rows" for tables.
Extents are screen coordinates. Needs Debian's python3-gi and
gir1.2-atspi-2.0, and DBUS_SESSION_BUS_ADDRESS of the program's session.
"""

import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def extents(accessible):
    box = accessible.get_extents(Atspi.CoordType.SCREEN)
    return [box.x, box.y, box.width, box.height]


def describe(accessible):
    role = accessible.get_role_name()
    control = {"role": role, "name": accessible.get_name(),
               "extents": extents(accessible)}
    if role in ("label", "text"):
        control["text"] = Atspi.Text.get_text(accessible, 0, -1)
    if role == "check box":
        control["checked"] = accessible.get_state_set().contains(
            Atspi.StateType.CHECKED)
    if role in ("table", "tree table"):
        control["rows"] = Atspi.Table.get_n_rows(accessible)
    return control


def controls_of(accessible, out):
    for i in range(accessible.get_child_count()):
        child = accessible.get_child_at_index(i)
        if child is None:
            continue
        role = child.get_role_name()
        if role in ("table cell", "table column header"):
            continue  # the table's row count is enough
        out.append(describe(child))
        controls_of(child, out)
    return out


def main(pid):
    desktop = Atspi.get_desktop(0)
    windows = []
    for i in range(desktop.get_child_count()):
        application = desktop.get_child_at_index(i)
        if application is None or application.get_process_id() != pid:
            continue
        for j in range(application.get_child_count()):
            window = application.get_child_at_index(j)
            windows.append({"title": window.get_name(),
                            "extents": extents(window),
                            "controls": controls_of(window, [])})
    json.dump({"windows": windows}, sys.stdout, ensure_ascii=False)
    print()


if __name__ == "__main__":
    main(int(sys.argv[1]))
