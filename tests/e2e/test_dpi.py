"""The program on a high-DPI screen: the prefix's DPI (LogPixels) set before Wine starts it."""
import os
import subprocess
import unittest

from harness import PROGRAM, ProgramTest, drag, drive, screenshot, wait_for, winlook, xdotool
from test_panel import BUTTONS, COLUMNS, expected_controls

WINE_VERSION = subprocess.run([drive.WINE, "--version"], capture_output=True, text=True).stdout.split()[0]
DPI_KEYS = (r"HKCU\Control Panel\Desktop", r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts")


def set_dpi(dpi):
    """LogPixels in the prefix, and the session's Wine started anew with its desktop kept up, as the
    session had it: Wine 10 reads the screens' DPI when its desktop starts."""
    for key in DPI_KEYS:
        subprocess.run([drive.WINE, "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"],
                       check=True, capture_output=True, timeout=60)
    quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL, "timeout": 120}
    for flag in ("-k", "-w", "-p"):
        subprocess.run([os.environ.get("WINESERVER", "/usr/lib/wine/wineserver"), flag], **quiet)
    subprocess.run(["sh", "-c", '"$0" "$1" hold >/dev/null 2>&1 &', drive.WINE, drive.WINLOOK], check=True)
    # Wine's own processes start with the first program and keep its output open: not a pipe here.
    subprocess.run([drive.WINE, drive.WINLOOK, "top"], check=True, **quiet)


class HighDpi(ProgramTest):
    def tearDown(self):
        super().tearDown()
        set_dpi(96)

    def assertLaidOut(self, program, window, places, dpi):
        """Per-monitor aware at the DPI, the 96-DPI client area and controls scaled by the program's
        rule to the pixel, and every label and button text fits its box in the program's font."""
        controls = program.controls(window)
        self.assertEqual({(w["awareness"], w["dpi"]) for w in [window, *controls.values()]}, {(2, dpi)})
        scaled = lambda value: (2 * value * dpi + 96) // 192  # noqa: E731 (the rule: value * dpi / 96, halves up)
        for number, (left, top, right, bottom) in places.items():
            actual = window["client"] if number is None else controls[number]["rect"]
            x, y = scaled(left), scaled(top)
            self.assertEqual(actual, [x, y, x + scaled(right - left), y + scaled(bottom - top)], number)
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
                self.assertLaidOut(program, dialog, {None: [0, 0, 357, 120], 996: [10, 8, 275, 81],
                                                     997: [288, 8, 348, 31], 999: [9, 92, 348, 112]}, dpi)
                xdotool("key", "Return")
                panel = drive.wait_panel(program)
                screenshot(shot % "panel", panel)
                places = {number: rect for number, (_, rect, _, _, _) in expected_controls().items()}
                controls = self.assertLaidOut(program, panel, {None: [0, 0, 490, 225], **places}, dpi)

                drag(controls[1], controls[1]["screen"][1] - 20)
                wait_for(lambda: program.messages()[-1:] == [(0xB0, 12, 127)], what="127 on controller 12",
                         seen=program.messages)
                order, seen = [c[0] for c in COLUMNS] + [b[0] for b in BUTTONS], [1]  # the slider has the focus

                def moved():
                    now = (winlook("focus", panel["hwnd"])[0] or {}).get("id")
                    return now if now not in (None, seen[-1]) else None
                for _ in order:
                    xdotool("key", "Tab")
                    seen.append(wait_for(moved, what="the focus to move from %s" % seen[-1]))
                self.assertEqual(seen, order + order[:1])


if __name__ == "__main__":
    unittest.main(verbosity=2)
