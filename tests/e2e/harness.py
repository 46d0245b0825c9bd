"""The end-to-end tests' base: programs started through tests/support/drive.py, none outliving its test."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))

import drive  # noqa: E402
from drive import (BUILD, BUTTONS, COLUMNS, DIALOG_TITLE, PANEL_TITLE, PROGRAM, SLIDER_NAMES,  # noqa: E402,F401
                   Program, centre, click, drag, winlook, latin1, screenshot, wait_dialog, wait_for, xdotool)


class ProgramTest(unittest.TestCase):
    """Starts programs and makes sure none outlives its test."""

    def setUp(self):
        if not (BUILD and PROGRAM):
            self.skipTest("run through ctest: DBB_BUILD_DIR and DBB_PROGRAM name the build")
        self.programs = []

    def tearDown(self):
        for program in self.programs:
            program.close()

    def start(self, *args, **kwargs):
        program = Program(*args, **kwargs)
        self.programs.append(program)
        return program

    def answer_dialog(self, program, text=None, key="Return"):
        """Waits for the device dialog, types the answer (None keeps the default) and presses key."""
        return drive.answer_dialog(program, text, key)

    def open_panel(self, *args, **driver):
        """Starts the program (args, driver settings as in drive.Program), keeps the offered device
        and returns the program and its panel with all its controls."""
        program = self.start(args=args, **driver)
        return program, drive.open_panel(program)

    def error_box(self, program):
        """Waits for the "Error" box of the program and returns its message text."""
        box = program.wait_window("Error")
        texts = [c["text"] for c in winlook("children", box["hwnd"]) if c["class"].lower() == "static" and c["text"]]
        return box, texts

    def dismiss_error(self, program):
        box = program.wait_window("Error")
        buttons = [c for c in winlook("children", box["hwnd"]) if c["class"].lower() == "button"]
        click(buttons[0])
        return program.wait_exit()
