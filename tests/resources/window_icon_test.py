#!/usr/bin/python3
"""The icon a Linux desktop shows for setup.exe's and Quillmere.exe's windows under Wine.

Wine hands each window's class icons to the X server as the window's _NET_WM_ICON, which
is what a Linux taskbar, window switcher and title bar show: so the programs' window
classes are checked from outside, as the desktop sees them. Each program is started under
Wine on the test display, its icons are read and checked, and it is ended.

usage: window_icon_test.py <setup.exe> <Quillmere.exe>
Runs under tools/test-env.sh (display, Wine prefix, code page).
"""
import os
import subprocess
import sys
import time
import unittest

from Xlib import X, display, error

PROGRAMS = {}  # name -> Linux path, from the command line
START_SECONDS = 60
PANEL_BLUE = (22, 131, 196)
WHITE = (255, 255, 255)


def near(colour, expected, tolerance):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def split_icons(values):
    """_NET_WM_ICON: width, height, then width * height ARGB pixels, for each icon."""
    icons = {}
    at = 0
    while at + 2 <= len(values):
        width, height = values[at], values[at + 1]
        pixels = values[at + 2:at + 2 + width * height]
        if width <= 0 or height <= 0 or len(pixels) != width * height:
            break
        icons[(width, height)] = [((p >> 24) & 0xFF, ((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF))
                                  for p in pixels]
        at += 2 + width * height
    return icons


class Desktop:
    def __init__(self):
        self.x = display.Display()
        self.icon_atom = self.x.intern_atom("_NET_WM_ICON")

    def windows_of_class(self, instance):
        """The top-level windows whose WM_CLASS instance is `instance`. Windows come and go
        while they are looked at; one that is gone is skipped."""
        try:
            children = self.x.screen().root.query_tree().children
        except error.XError:
            return []
        found = []
        for window in children:
            try:
                wm_class = window.get_wm_class()
            except error.XError:
                continue
            if wm_class and wm_class[0].lower() == instance.lower():
                found.append(window)
        return found

    def icons(self, window):
        try:
            prop = window.get_full_property(self.icon_atom, X.AnyPropertyType)
        except error.XError:
            return {}
        return split_icons(list(prop.value)) if prop else {}

    def shown_icons(self, instance):
        """The icons of the program's window that has them (its hidden helper windows
        have none), by size."""
        for window in self.windows_of_class(instance):
            icons = self.icons(window)
            if icons:
                return icons
        return {}


class WindowIcon(unittest.TestCase):
    def setUp(self):
        self.desktop = Desktop()

    def icons_of_running(self, path):
        """Starts the program and gives its window's icons by size once Wine has set them."""
        process = subprocess.Popen(["wine", path], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(process.wait)
        self.addCleanup(process.kill)
        name = os.path.basename(path)
        deadline = time.monotonic() + START_SECONDS
        while time.monotonic() < deadline:
            icons = self.desktop.shown_icons(name)
            if icons:
                return icons
            time.sleep(0.2)
        self.fail("no window of %s with an icon within %d s" % (name, START_SECONDS))

    def check_logo(self, size, pixels):
        """The logo's white flame on the panel's blue, the corners cut off."""
        def at(x, y):
            return pixels[y * size + x]

        for x, y in ((0, 0), (size - 1, 0), (0, size - 1), (size - 1, size - 1)):
            self.assertLess(at(x, y)[0], 32, "corner %d,%d is see-through" % (x, y))
        for x, y in ((size // 2, 0), (0, size // 2), (size - 1, size // 2)):
            alpha, colour = at(x, y)
            self.assertEqual(alpha, 255, "edge %d,%d" % (x, y))
            self.assertTrue(near(colour, PANEL_BLUE, 12), "edge %d,%d: %s" % (x, y, colour))
        opaque = [colour for alpha, colour in pixels if alpha == 255]
        white = sum(near(c, WHITE, 24) for c in opaque) / len(pixels)
        blue = sum(near(c, PANEL_BLUE, 24) for c in opaque) / len(pixels)
        self.assertGreater(white, 0.12)
        self.assertLess(white, 0.45)
        self.assertGreater(blue, 0.40)

    def test_both_programs_windows_show_the_logo_at_the_large_and_the_small_size(self):
        for name, path in PROGRAMS.items():
            with self.subTest(program=name):
                icons = self.icons_of_running(path)
                self.assertIn((32, 32), icons, "sizes given: %s" % sorted(icons))
                self.assertIn((16, 16), icons, "sizes given: %s" % sorted(icons))
                for size in (32, 16):
                    with self.subTest(size=size):
                        self.check_logo(size, icons[(size, size)])


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    PROGRAMS["setup.exe"] = sys.argv[1]
    PROGRAMS["Quillmere.exe"] = sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
