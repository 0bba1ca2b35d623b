#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""atspi_check.py GUI WORKDIR: reads the wizard's tree as a screen reader does,
over AT-SPI, while a user drives it through Deep Recovery of a small package
with text and a picture. Run by desktop_session.sh under Xvfb, a window
manager and a D-Bus session.

Checks, on every step shown: each control (button, check box, text, list,
list row, progress bar, step tab) has a name, and each that takes the focus
a description; the progress bar is named; the recovered text is a read-only
text with its content (not an unnamed filler); picture rows are named by
what is drawn (type, size). Prints one line per check and "N passed, N
failed" at the end; exits 1 on any failure."""
import os
import struct
import subprocess
import sys
import time
import zipfile
import zlib

import pyatspi

CONTROLS = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_PAGE_TAB,
}
results = {"passed": 0, "failed": 0}


def check(ok, what):
    results["passed" if ok else "failed"] += 1
    print(("PASS  " if ok else "FAIL! ") + what, flush=True)


def tiny_png(width, height):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\x00" + b"\x30\x80\xc0" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def make_package(path):
    xml = ('<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>'
           '<w:p><w:r><w:t>Words a screen reader reads aloud</w:t></w:r></w:p></w:body></w:document>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("word/document.xml", xml)
        z.writestr("word/media/image1.png", tiny_png(8, 6))


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def walk(node, depth=0):
    """The node and what is shown under it (hidden steps are not gone into)."""
    if node is None or depth > 30:
        return
    yield node
    for child in node:
        if child is not None and showing(child):
            yield from walk(child, depth + 1)


def find(root, role, name=None, timeout=10.0):
    """The first showing node of `role` (and `name`), waiting for it."""
    end = time.time() + timeout
    while time.time() < end:
        for node in walk(root):
            try:
                if node.getRole() == role and showing(node) and (name is None or node.name == name):
                    return node
            except Exception:
                pass
        time.sleep(0.1)
    return None


def press(root, role, name):
    """Presses the control as a screen reader user does (its first action)."""
    for attempt in range(20):
        node = find(root, role, name)
        try:
            if node is not None:
                node.queryAction().doAction(0)
                break
        except Exception:  # the tree changed under it: look again
            time.sleep(0.1)
    check(node is not None, "%r pressed" % name)


def check_controls(root, where):
    """Every shown control has a name; every one that takes the focus, a description."""
    missing = []
    for node in walk(root):
        try:
            if node.getRole() not in CONTROLS or not showing(node):
                continue
            state = node.getState()
            if not node.name:
                parent = node.parent
                missing.append("%s without a name (in %s %r)" % (node.getRoleName(), parent.getRoleName(), parent.name))
            elif state.contains(pyatspi.STATE_FOCUSABLE) and node.getRole() != pyatspi.ROLE_LIST_ITEM \
                    and not node.description:
                missing.append("%s %r without a description" % (node.getRoleName(), node.name))
        except Exception:
            continue
    check(not missing, "%s: every control is named and described %s" % (where, "; ".join(missing)))


def application(timeout=20.0):
    end = time.time() + timeout
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "kwrecover-gui":
                return app
        time.sleep(0.2)
    return None


def main():
    gui, workdir = sys.argv[1], sys.argv[2]
    package = os.path.join(workdir, "spoken.docx")
    make_package(package)
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
               XDG_CONFIG_HOME=workdir)
    process = subprocess.Popen([gui, package], env=env)
    try:
        app = application()
        check(app is not None, "the wizard's tree is on the accessibility bus")
        if app is None:
            return
        check_controls(app, "step 1")
        press(app, pyatspi.ROLE_PUSH_BUTTON, "Next >")
        check(find(app, pyatspi.ROLE_CHECK_BOX, "Deep Recovery") is not None, "step 2 shows the modes")
        check_controls(app, "step 2")
        press(app, pyatspi.ROLE_CHECK_BOX, "Deep Recovery")
        press(app, pyatspi.ROLE_PUSH_BUTTON, "Next >")
        status = find(app, pyatspi.ROLE_DIALOG, "Document Repair Status", timeout=5)
        bar = status and find(status, pyatspi.ROLE_PROGRESS_BAR, timeout=1)
        check(bar is not None and bar.name == "Recovery progress",
              "the status window's progress bar is named (%r)" % (bar and bar.name))
        text = find(app, pyatspi.ROLE_TEXT, "Recovered text", timeout=20)
        check(text is not None, "step 3: the recovered text is a text named \"Recovered text\"")
        if text is not None:
            state = text.getState()
            check(state.contains(pyatspi.STATE_READ_ONLY) or not state.contains(pyatspi.STATE_EDITABLE),
                  "the recovered text is read-only")
            content = text.queryText().getText(0, -1)
            check("Words a screen reader reads aloud" in content, "its content is readable: %r" % content[:60])
            check(bool(text.description), "it has a description")
        check_controls(app, "step 3")
        press(app, pyatspi.ROLE_PUSH_BUTTON, "Next >")
        row = None
        end = time.time() + 10
        while time.time() < end and (row is None or "PNG" not in row.name):
            row = find(app, pyatspi.ROLE_LIST_ITEM, timeout=5)
            time.sleep(0.1)
        check(row is not None and "image1.png" in row.name and "PNG, 8 x 6" in row.name,
              "step 4: a picture row is named by what is drawn (%r)" % (row and row.name))
        check_controls(app, "step 4")
    finally:
        process.kill()
        process.wait()
        print("%d passed, %d failed" % (results["passed"], results["failed"]), flush=True)


if __name__ == "__main__":
    main()
    sys.exit(1 if results["failed"] or not results["passed"] else 0)
