"""Start-up as a user meets it: the device dialog, the answers it takes, and the error boxes."""
import unittest

from harness import DIALOG_TITLE, PANEL_TITLE, ProgramTest, winlook, latin1, wait_dialog, wait_for, xdotool, click

OPEN_FAILED = latin1("\xd6ffnen des MIDI-OUT Ger\xe4tes [2] nicht m\xf6glich\r\n0 = Alpha\r\n1 = Beta\r\n")


class NoDevice(ProgramTest):
    def test_no_output_device_or_no_midi_library_shows_the_error_and_ends_with_zero(self):
        for driver, text in (({"outputs": ()}, "kein Midi OUT Ger\xe4t vorhanden"),
                             ({"refuse_load": 1}, "Die MIDI-Bibliothek des Systems (winmm.dll) fehlt oder ist "
                                                  "unvollst\xe4ndig")):
            with self.subTest(driver=driver):
                program = self.start(**driver)
                box, texts = self.error_box(program)
                self.assertEqual([latin1(t) for t in texts], [latin1(text)])
                titles = [w["text"] for w in winlook("top")]
                self.assertNotIn(DIALOG_TITLE, titles)
                self.assertNotIn(PANEL_TITLE, titles)
                self.assertEqual(self.dismiss_error(program), 0)


class DeviceDialog(ProgramTest):
    def test_dialog_lists_the_devices_with_2_selected(self):
        program = self.start()
        dialog = program.wait_window(DIALOG_TITLE)
        self.assertEqual(dialog["class"], "WindowClass_999")
        controls = program.controls(dialog)
        self.assertEqual(controls[996]["text"], "0 = Alpha Synth\r1 = Beta Port\r2 = Gamma Box\r")
        self.assertEqual(controls[997]["text"], "OK")
        self.assertEqual(controls[999]["text"], "2")
        self.assertEqual(controls[999]["sel"], [0, 1])
        self.assertEqual(dialog["client"], [0, 0, 357, 120])
        self.assertTrue(wait_for(lambda: winlook("focus", dialog["hwnd"])[0] or None, what="focus")["id"] == 999)

    def test_return_accepts_the_default_and_opens_device_2(self):
        program = self.start()
        self.answer_dialog(program)
        panel = program.wait_window(PANEL_TITLE)
        self.assertEqual(program.opened_device(), 2)
        self.assertEqual(program.controls(panel)[0]["text"], "Gamma Box")
        self.assertNotIn(DIALOG_TITLE, [w["text"] for w in winlook("top")])

    def test_ok_button_accepts_a_typed_answer(self):
        program = self.start()
        dialog = wait_dialog(program)
        xdotool("type", "1")  # replaces the selected default
        click(program.controls(dialog)[997])
        program.wait_window(PANEL_TITLE)
        self.assertEqual(program.opened_device(), 1)

    def test_default_2_with_two_devices_fails_with_the_device_list(self):
        program = self.start(outputs=("Alpha", "Beta"))
        self.answer_dialog(program)
        box, texts = self.error_box(program)
        self.assertEqual([latin1(t) for t in texts], [OPEN_FAILED])
        self.assertEqual(self.dismiss_error(program), 0)

    def test_escape_and_the_close_box_choose_device_0(self):
        program = self.start()
        self.answer_dialog(program, text="1", key="Escape")
        program.wait_window(PANEL_TITLE)
        self.assertEqual(program.opened_device(), 0)

        closing = self.start()
        dialog = wait_dialog(closing)
        winlook("close", dialog["hwnd"])
        closing.wait_window(PANEL_TITLE)
        self.assertEqual(closing.opened_device(), 0)

    def test_answers_are_read_up_to_the_first_non_digit(self):
        for answer, device in ((" 1", 1), ("1 = Beta Port", 1), ("abc", 0)):
            with self.subTest(answer=answer):
                program = self.start()
                self.answer_dialog(program, text=answer)
                program.wait_window(PANEL_TITLE)
                self.assertEqual(program.opened_device(), device)
                program.close()

    def test_minus_1_opens_the_midi_mapper(self):
        program = self.start(mapper=1)
        self.answer_dialog(program, text="-1")
        panel = program.wait_window(PANEL_TITLE)
        self.assertEqual(program.opened_device(), -1)
        self.assertNotEqual(program.controls(panel)[0]["text"], "")


if __name__ == "__main__":
    unittest.main(verbosity=2)
