"""The panel as a screen reader and a player on another Windows meet it, asked from another process.

A screen reader asks each control for its accessible object and reads its name, role and value
(winlook access). The error boxes are read back as the window system shows them, in UTF-16 (winlook
wtext), with the program running under a Russian or Japanese system code page.
"""
import os
import unittest

from harness import (BUILD, COLUMNS, DIALOG_TITLE, SLIDER_NAMES, ProgramTest, click, screenshot, wait_dialog, wait_for,
                     winlook, xdotool)

ROLE_SLIDER = 51
ROLE_TEXT = 42
# The panel's sliders, left to right: (slider, display, name).
SLIDERS = [(column[0], column[3], name) for column, name in zip(COLUMNS, SLIDER_NAMES)]


def accessible(window):
    return {c["id"]: c for c in winlook("access", window["hwnd"])}


class ScreenReader(ProgramTest):
    def test_the_answer_field_is_named_after_the_question(self):
        program = self.start()
        dialog = program.wait_window(DIALOG_TITLE)
        objects = accessible(dialog)
        field = objects[999]
        self.assertEqual((field["name"], field["role"], field["value"]), (DIALOG_TITLE, ROLE_TEXT, "2"))
        self.assertEqual(objects[997]["name"], "OK")

    def test_sliders_tell_their_names_and_what_their_displays_show_while_one_is_dragged(self):
        # A winmm.dll and an oleacc.dll lie beside the program, and Wine prefers DLLs not its own for both
        # names, as Windows does for names that are no KnownDLLs: neither may be loaded.
        program, panel = self.open_panel(planted=True)
        objects = accessible(panel)
        self.assertEqual([(objects[s]["name"], objects[s]["role"], objects[s]["value"]) for s, _, _ in SLIDERS],
                         [(name, ROLE_SLIDER, "0") for _, _, name in SLIDERS])

        # Slider 3 held halfway up with the mouse: it and its display agree while the button is down.
        slider = program.controls(panel)[3]
        left, top, right, bottom = slider["screen"]
        x = (left + right) // 2
        xdotool("mousemove", x, bottom - 12, "mousedown", 1)
        for row in range(bottom - 12, (top + bottom) // 2, -6):
            xdotool("mousemove", x, row)
        shown = wait_for(lambda: program.controls(panel)[23]["text"] not in ("", "0") and
                         program.controls(panel)[23]["text"], what="display 23 to rise")
        held = accessible(panel)
        xdotool("mouseup", 1)
        self.assertEqual(held[3]["value"], shown)
        self.assertNotEqual(shown, "0")

        wait_for(lambda: program.messages(), what="the drag's messages")
        controls = program.controls(panel)
        objects = accessible(panel)
        self.assertEqual([objects[s]["value"] for s, _, _ in SLIDERS], [controls[d]["text"] for _, d, _ in SLIDERS])
        self.assertEqual(objects[3]["value"], str(program.messages()[-1][2]))
        self.assertEqual(program.planted_loaded(), [])

    def test_the_program_thread_is_a_com_apartment_from_before_the_first_window_on(self):
        # The driver asks inside the program at every call, from the device count on; 3 is the
        # process's main single-threaded apartment. Messages go out from the MIDI layer's own
        # thread, which has none.
        program, panel = self.open_panel(apartment=1)
        click(program.controls(panel)[56])
        program.wait_messages(1)
        calls = ("midiOutGetNumDevs", "midiOutGetDevCapsA", "midiOutOpen")
        self.assertEqual({c["function"]: c["apartment"] for c in program.calls()},
                         {**dict.fromkeys(calls, "3"), "midiOutShortMsg": "-1"})


# (locale, code page, a device name) under which Wine runs the program; each needs its Linux locale.
# Wine reads the environment, and with it the driver's device names, in the locale's own charset.
# Under 932 the name's first character is the bytes 83 7C: its second byte is the driver's "|".
LOCALES = [("ru_RU.CP1251", 1251, "\u0421\u0438\u043d\u0442"), ("ja_JP.UTF-8", 932, "\u30dd\u30fc\u30c8")]


class GermanTexts(ProgramTest):
    def start_under(self, locale, **kwargs):
        with os.popen("locale -a") as listing:
            if locale.lower().replace("-", "") not in listing.read().lower().replace("-", "").split():
                self.skipTest("no %s locale: tools/install-deps.sh makes it" % locale)
        saved = {key: os.environ.get(key) for key in ("LC_ALL", "LANG")}
        os.environ["LC_ALL"] = os.environ["LANG"] = locale
        try:
            return self.start(**kwargs)
        finally:
            for key, value in saved.items():
                if value is None:
                    os.environ.pop(key, None)
                else:
                    os.environ[key] = value

    def box_texts(self, program):
        box = program.wait_window("Error")
        wait_for(lambda: len(winlook("wtext", box["hwnd"])) > 2, what="the box's controls")
        return box, [t["text"] for t in winlook("wtext", box["hwnd"])]

    def test_error_boxes_read_right_under_other_code_pages(self):
        for locale, code_page, device in LOCALES:
            with self.subTest(code_page=code_page):
                # The program's own text in 1252, the device names in the system's code page.
                charset = locale.split(".")[1]
                program = self.start_under(locale, outputs=("Alpha", os.fsdecode(device.encode(charset))))
                self.answer_dialog(program)
                box, texts = self.box_texts(program)
                self.assertEqual(texts[0], "Error")
                self.assertIn("\xd6ffnen des MIDI-OUT Ger\xe4tes [2] nicht m\xf6glich\r\n0 = Alpha\r\n"
                              "1 = " + device + "\r\n", texts)
                screenshot(os.path.join(BUILD, "error-box-%d.png" % code_page), box)
                self.assertEqual(self.dismiss_error(program), 0)

                program = self.start_under(locale, outputs=())
                box, texts = self.box_texts(program)
                self.assertIn("kein Midi OUT Ger\xe4t vorhanden", texts)
                self.assertEqual(self.dismiss_error(program), 0)

    def test_a_name_ending_in_a_lead_byte_leaves_the_next_device_on_its_own_line(self):
        # Under 932, 0x83 opens a double-byte character; the driver ends device 1's name with it.
        program = self.start_under("ja_JP.UTF-8", outputs=("Alpha", "Beta\\x83", "Gamma"), out_fail=2)
        self.assertTrue(program.controls(dialog := wait_dialog(program))[996]["unicode"], "the list goes by way of 932")
        listed = {t["id"]: t["text"] for t in winlook("wtext", dialog["hwnd"])}[996].split("\r")
        xdotool("key", "Return")
        lines = next(t for t in self.box_texts(program)[1] if t.startswith("\xd6ffnen")).split("\r\n")
        # Every line, 1 as well: the dialog shows the lone lead byte as the box does.
        self.assertEqual((listed[0], listed[2:], lines[1:]), ("0 = Alpha", ["2 = Gamma", ""], listed))
        self.assertEqual(self.dismiss_error(program), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
