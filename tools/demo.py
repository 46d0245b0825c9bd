"""A short demonstration on a machine without a display: the real program under Wine on a private X
server, with the test-double MIDI driver offering three named devices. A scripted user picks device 2,
pulls some drawbars, presses a few buttons and closes the panel; the MIDI that came out is printed as
readable lines, and a screenshot of the panel is saved.
"""
import os
import subprocess
import sys

from drive import (BUILD, DIALOG_TITLE, WINLOOK, PANEL_TITLE, WINE, Program, click, drag, winlook, screenshot,
                   wait_for, xdotool)

SHOTS = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.getcwd(), "out")


def main():
    os.makedirs(SHOTS, exist_ok=True)
    program = Program(outputs=("Loopback Organ In", "USB MIDI Cable", "Karvello Sound Module"))
    try:
        dialog = program.wait_window(DIALOG_TITLE)
        wait_for(lambda: winlook("wait", "title:" + DIALOG_TITLE)[0]["foreground"], what="the dialog in front")
        dialog_shot = screenshot(os.path.join(SHOTS, "demo-dialog.png"), dialog)
        print("The device dialog lists three devices; the user accepts the offered 2.")
        xdotool("key", "Return")

        panel = program.wait_window(PANEL_TITLE)
        wait_for(lambda: len(program.controls(panel)) == 47, what="the panel's controls")
        controls = program.controls(panel)
        print("Panel open on %r. Pulling drawbars 16', 8' and 4', pressing Perc 3rd, Vib, Les.ON and Fast."
              % controls[0]["text"])
        for slider, height in ((1, 1.0), (3, 0.75), (4, 0.5), (100, 0.25)):
            s = controls[slider]
            top, bottom = s["screen"][1], s["screen"][3]
            drag(s, int(bottom - 12 - (bottom - top - 24) * height) if height < 1 else top - 20)
        for button in (52, 54, 56, 59):
            click(controls[button])
        wait_for(lambda: program.controls(panel)[23]["text"] != "0", what="the 8' display to follow")
        panel_shot = screenshot(os.path.join(SHOTS, "demo-panel.png"), panel)

        winlook("close", panel["hwnd"])
        code = program.wait_exit()
        print("The panel was closed; the program ended with exit code %d.\n" % code)
        print("MIDI sent to device 2 (status, controller, value):")
        log = "Z:" + program.log_path.replace("/", "\\")
        subprocess.run([WINE, os.path.join(BUILD, "tools", "midilog", "midilog.exe"), log], check=True)
        print("\nScreenshots:\n  %s\n  %s" % (dialog_shot, panel_shot))
    finally:
        program.close()


if __name__ == "__main__":
    if not os.path.exists(WINLOOK):
        sys.exit("build first: tools/build.sh")
    main()
