"""The cable comes out and goes back in: the panel never waits for the driver, says when the device is
gone, finds it again by name and tells it where every control stands."""
import unittest

from harness import ProgramTest, drag, drive, wait_for, winlook


def play(slider, value):
    """Moves a slider to value, as a finished drag does."""
    winlook("move", slider["hwnd"], str(127 - value))


class Cable(ProgramTest):
    def unplug_while_playing(self, program, panel, device, wait_ms):
        """Unplugs the device and plays until the driver holds a message, for wait_ms."""
        program.control("dead-wait %d" % wait_ms, "unplug %d" % device)
        play(program.controls(panel)[2], 127)
        wait_for(lambda: any(c["function"] == "wait" for c in program.calls()), what="the driver to hold a message")
        return lambda: [c for c in program.calls() if c["function"] == "midiOutShortMsg" and c["result"] != "0"]

    def test_unplugged_the_panel_answers_shows_the_loss_and_finds_the_device_at_another_number(self):
        program = self.start(controlled=True)
        panel = drive.open_panel(program, "1")  # Beta Port
        controls = program.controls(panel)
        play(controls[1], 100)
        program.wait_messages(1)
        failed = self.unplug_while_playing(program, panel, 1, 10000)
        play(controls[3], 50)
        wait_for(lambda: program.controls(panel)[23]["text"] == "50", what="the panel to answer")
        self.assertEqual(failed(), [], "the driver's wait ended before the panel answered")

        header = lambda: program.controls(panel)[0]["text"]  # noqa: E731
        wait_for(lambda: header() == "Beta Port (not connected)", what="the header to tell", seen=header)
        play(controls[1], 0)
        drive.click(controls[59])  # Fast
        wait_for(lambda: program.controls(panel)[21]["text"] == "0", what="the panel to go on while lost")
        lost = len(program.calls())
        program.control("plug")  # listed last: device 2, a new handle
        wait_for(lambda: header() == "Beta Port", what="the header to name the device again", seen=header)
        self.assertEqual(program.opened_device(), 2)
        sent = [(c["handle"], c["msg"]) for c in program.calls()[lost:] if c["function"] == "midiOutShortMsg"]
        self.assertEqual(sent, [("0x1003", "0x%08X" % (0xB0 | c << 8 | v << 16)) for c, v in
                                [(1, 64), (12, 0), (13, 127), (14, 50)]], "only the newest values, in order")

    def test_closed_while_the_driver_waits_far_longer_the_program_ends_first_with_zero(self):
        program = self.start(controlled=True)
        panel = drive.open_panel(program)
        failed = self.unplug_while_playing(program, panel, 2, 60000)
        winlook("close", panel["hwnd"])
        self.assertEqual(program.wait_exit(timeout=40), 0)
        self.assertEqual(failed(), [], "the driver's wait ended before the program did")

    def test_a_slow_driver_ends_a_fast_drag_of_every_slider_with_its_final_value(self):
        program = self.start(controlled=True)
        panel = drive.open_panel(program)
        program.control("slow 40")
        for number in (1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 100, 102):
            slider = program.controls(panel)[number]
            drag(slider, slider["screen"][1] - 20)
        last = lambda: {controller: value for _, controller, value in program.messages()}  # noqa: E731
        wait_for(lambda: last() == dict.fromkeys([12, 13, 14, 15, 16, 17, 18, 19, 20, 8, 9, 91], 127),
                 what="127 on every controller", seen=last)


if __name__ == "__main__":
    unittest.main(verbosity=2)
