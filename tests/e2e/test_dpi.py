"""The program on a high-DPI screen: the prefix's DPI (LogPixels) set before it starts."""
import os
import subprocess
import unittest

from harness import PROGRAM, ProgramTest, drag, drive, screenshot, wait_for, winlook, xdotool
from test_panel import COLUMNS, BUTTONS, expected_controls

DIALOG_CONTROLS = {996: [10, 8, 275, 81], 997: [288, 8, 348, 31], 999: [9, 92, 348, 112]}  # at 96 DPI
DPI_KEYS = (r"HKCU\Control Panel\Desktop", r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts")


WINE_VERSION = subprocess.run([drive.WINE, "--version"], capture_output=True, text=True).stdout.split()[0]


def set_dpi(dpi):
    """LogPixels in the prefix, and the session's Wine started anew with its desktop kept up, as the
    session had it: Wine 10 reads the screens' DPI when its desktop starts."""
    for key in DPI_KEYS:
        subprocess.run([drive.WINE, "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"],
                       check=True, capture_output=True, timeout=60)
    quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    server = os.environ.get("WINESERVER", "/usr/lib/wine/wineserver")
    for flag in ("-k", "-w", "-p"):
        subprocess.run([server, flag], timeout=60, **quiet)
    subprocess.run(["sh", "-c", '"$0" "$1" hold >/dev/null 2>&1 &', drive.WINE, drive.WINLOOK], check=True)
    winlook("top")


def scaled(rect, dpi):
    """A 96-DPI rectangle at the DPI: place and size each scaled."""
    left, top = (round(v * dpi / 96) for v in rect[:2])
    return [left, top, left + round((rect[2] - rect[0]) * dpi / 96), top + round((rect[3] - rect[1]) * dpi / 96)]


class HighDpi(ProgramTest):
    def tearDown(self):
        super().tearDown()
        set_dpi(96)

    def assertLaidOut(self, program, window, size, places, dpi):
        """The window and its controls report the DPI and are the 96-DPI layout scaled, within 2 pixels,
        and every label and button text fits its box in the program's font."""
        controls = program.controls(window)
        # Per-monitor aware, so at the screen's DPI; Wine 8 tells another process 96 whatever it is.
        self.assertEqual({(w["awareness"], w["dpi"] if not WINE_VERSION.startswith("wine-8.") else dpi)
                          for w in [window, *controls.values()]}, {(2, dpi)})
        for number, rect in [(None, [0, 0, *size])] + list(places.items()):
            actual = window["client"] if number is None else controls[number]["rect"]
            self.assertLessEqual(max(abs(a - b) for a, b in zip(actual, scaled(rect, dpi))), 2, (number, actual))
        for fit in winlook("fit", window["hwnd"]):
            self.assertLessEqual(fit["needed"][2:], fit["client"][2:], fit)
        return controls

    def test_dialog_and_panel_are_scaled_and_work_at_144_and_192_dpi(self):
        for dpi in (144, 192):
            with self.subTest(dpi=dpi):
                for started in self.programs:  # one that a failure left running
                    started.close()
                set_dpi(dpi)
                program = self.start()
                dialog = drive.wait_dialog(program)
                shot = os.path.join(os.path.dirname(PROGRAM), "%s-%d-dpi-%%s.png" % (WINE_VERSION, dpi))
                screenshot(shot % "dialog", dialog)
                self.assertLaidOut(program, dialog, [357, 120], DIALOG_CONTROLS, dpi)
                xdotool("key", "Return")
                panel = drive.wait_panel(program)
                places = {number: rect for number, (_, rect, _, _, _) in expected_controls().items()}
                screenshot(shot % "panel", panel)
                controls = self.assertLaidOut(program, panel, [490, 225], places, dpi)

                drag(controls[1], controls[1]["screen"][1] - 20)
                wait_for(lambda: program.messages()[-1:] == [(0xB0, 12, 127)], what="127 on controller 12",
                         seen=program.messages)
                order = [c[0] for c in COLUMNS] + [b[0] for b in BUTTONS]
                seen = [1]  # the dragged slider has the focus

                def moved():
                    now = (winlook("focus", panel["hwnd"])[0] or {}).get("id")
                    return now if now not in (None, seen[-1]) else None
                for _ in order:
                    xdotool("key", "Tab")
                    seen.append(wait_for(moved, what="the focus to move from %s" % seen[-1]))
                self.assertEqual(seen, order + order[:1])


if __name__ == "__main__":
    unittest.main(verbosity=2)
