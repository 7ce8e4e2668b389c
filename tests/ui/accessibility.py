#!/usr/bin/env python3
# Reads Priomat's windows on the AT-SPI bus as a screen reader does: every focusable control has
# a name; a matrix cell names the pair it compares and its value, under the items' names as
# headers; the comparison dialog's slider says its value in words; the result window is a frame.
# Usage (on an X display and a D-Bus session): accessibility.py PRIOMAT DOCUMENT
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

program, document = sys.argv[1], sys.argv[2]
problems = []


def wait_for(find, what, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        try:
            found = find()
        except Exception:  # the tree changes while it is read
            found = None
        if found:
            return found
        time.sleep(0.2)
    sys.exit(f"accessibility: {what} did not appear")


def walk(node):
    stack = [node]
    while stack:
        current = stack.pop()
        if current is None:
            continue
        yield current
        # A large table's cells are read through the table interface, not as children.
        if current.getRole() != pyatspi.ROLE_TABLE:
            stack.extend(current[i] for i in range(current.childCount))


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "priomat":
            return app
    return None


def find(root, role, name=None):
    for node in walk(root):
        if node.getRole() == role and (name is None or node.name == name):
            return node
    return None


def check_names(window, where):
    for node in walk(window):
        states = node.getState()
        if not (states.contains(pyatspi.STATE_FOCUSABLE) and states.contains(pyatspi.STATE_SHOWING)):
            continue
        if node.getRole() == pyatspi.ROLE_TABLE_CELL:
            continue  # checked below, through the table
        if not node.name.strip():
            parent = node.parent
            problems.append(f"{where}: a focusable {node.getRoleName()} in {parent.getRoleName()} "
                            f"{parent.name!r} has no name")


def key(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)


# The registry runs before the program starts, so that the program's bridge finds it at once.
wait_for(lambda: pyatspi.Registry.getDesktop(0).childCount >= 0, "the accessibility registry")
env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
output = tempfile.TemporaryFile()
priomat = subprocess.Popen([program, document, "/ENGLISH"], env=env, stdout=output, stderr=subprocess.STDOUT)
finished = False
try:
    # A loaded machine (other tests building packages beside this one) can take a while.
    app = wait_for(application, "the program on the accessibility bus", seconds=90)
    main = wait_for(lambda: next((w for w in app if w is not None and w.name.startswith("Priomat -")), None),
                    "the main window")
    if main.getRole() != pyatspi.ROLE_FRAME:
        problems.append(f"main window: role {main.getRoleName()}")
    check_names(main, "main window")

    grid = wait_for(lambda: find(main, pyatspi.ROLE_TABLE, "Matrix for Pair Comparison"), "the matrix table")
    table = grid.queryTable()
    row_name = table.getRowHeader(1).name if table.getRowHeader(1) else ""
    column_name = table.getColumnHeader(2).name if table.getColumnHeader(2) else ""
    cell = table.getAccessibleAt(1, 2)
    if not row_name or not column_name or row_name == "1" or column_name == "2":
        problems.append(f"matrix headers are {row_name!r} and {column_name!r}, not the items")
    wanted = f"{row_name} compared with {column_name}: {cell.name}"
    if cell.description != wanted or not cell.name.strip():
        problems.append(f"matrix cell reads {cell.name!r} / {cell.description!r}, wanted {wanted!r}")

    index = find(main, pyatspi.ROLE_TEXT, "Consistency Index")
    if index is None or "consistency index" not in index.description:
        problems.append(f"the consistency index reads {index.description if index else None!r}, not its state")

    # The comparison dialog for that cell, clicked where the accessibility bus says it is.
    box = cell.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2),
                    "click", "1"], check=True)
    dialog = wait_for(lambda: next((w for w in app if w is not None and w.getRole() == pyatspi.ROLE_DIALOG), None),
                      "the comparison dialog")
    slider = wait_for(lambda: find(dialog, pyatspi.ROLE_SLIDER), "the dialog's slider")
    if "Compare" not in slider.name or "importance" not in slider.description:
        problems.append(f"slider reads {slider.name!r} / {slider.description!r}")
    check_names(dialog, "comparison dialog")
    subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Compare", "windowfocus"], check=True)
    key("Escape")
    wait_for(lambda: not any(w is not None and w.getRole() == pyatspi.ROLE_DIALOG for w in app),
             "the dialog's closing")

    # The result window through its menu item, as a screen reader user would choose it.
    item = wait_for(lambda: find(main, pyatspi.ROLE_CHECK_MENU_ITEM, "Result")
                    or find(main, pyatspi.ROLE_MENU_ITEM, "Result"), "the Result menu item")
    item.queryAction().doAction(0)
    result = wait_for(lambda: next((w for w in app if w is not None and w.name.startswith("Result")), None),
                      "the result window")
    if result.getRole() != pyatspi.ROLE_FRAME:
        problems.append(f"result window: role {result.getRoleName()}")
    check_names(result, "result window")
    finished = True
finally:
    running = priomat.poll() is None
    priomat.terminate()
    priomat.wait(10)
    if not finished or problems:
        # What the program said, for a failure that is not about its windows' texts.
        output.seek(0)
        print(f"accessibility: the program {'was running' if running else f'had ended ({priomat.returncode})'}; its output:")
        print(output.read().decode(errors="replace")[-3000:])

for problem in problems:
    print("accessibility:", problem)
sys.exit(1 if problems else 0)
