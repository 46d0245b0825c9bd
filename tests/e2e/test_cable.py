"""The cable comes out and goes back in: the panel never waits for the driver, says when the device is
gone, finds it again by name and tells it where every control stands."""
import unittest

from harness import ProgramTest, drag, drive, wait_for, winlook

CC = 0xB0


def failed_sends(program):
    return [c for c in program.calls() if c["function"] == "midiOutShortMsg" and c["result"] != "0"]


class Cable(ProgramTest):
    def play(self, program, slider, value):
        """Moves a slider to value, as a finished drag does."""
        winlook("move", slider["hwnd"], str(127 - value))

    def test_unplugged_the_panel_answers_shows_the_loss_and_finds_the_device_at_another_number(self):
        program = self.start(controlled=True)
        panel = drive.open_panel(program, "1")  # Beta Port
        controls = program.controls(panel)
        self.play(program, controls[1], 100)
        program.wait_messages(1)
        program.control("dead-wait 10000", "unplug 1")
        self.play(program, controls[2], 127)
        wait_for(lambda: any(c["function"] == "wait" for c in program.calls()), what="the driver to hold a message")
        self.play(program, controls[3], 50)
        wait_for(lambda: program.controls(panel)[23]["text"] == "50", what="the panel to answer")
        self.assertEqual(failed_sends(program), [], "the driver's wait ended before the panel answered")

        header = lambda: program.controls(panel)[0]["text"]  # noqa: E731
        wait_for(lambda: header() == "Beta Port (not connected)", what="the header to tell", seen=header)
        self.play(program, controls[1], 0)
        drive.click(controls[59])  # Fast
        wait_for(lambda: program.controls(panel)[21]["text"] == "0", what="the panel to go on while lost")
        lost = len(program.calls())

        program.control("plug")  # listed last: device 2, a new handle
        wait_for(lambda: header() == "Beta Port", what="the header to name the device again", seen=header)
        calls = program.calls()[lost:]
        self.assertEqual(program.opened_device(), 2)
        self.assertEqual([c for c in calls if c["function"] == "midiOutShortMsg" and c["handle"] != "0x1003"], [])
        self.assertEqual(program.messages()[-4:], [(CC, 1, 64), (CC, 12, 0), (CC, 13, 127), (CC, 14, 50)])
        self.assertEqual(program.messages().count((CC, 12, 0)), 1, "nothing went to the dead handle")

    def test_closed_while_the_driver_waits_far_longer_the_program_ends_first_with_zero(self):
        program = self.start(controlled=True)
        panel = drive.open_panel(program)
        program.control("dead-wait 60000", "unplug 2")
        self.play(program, program.controls(panel)[1], 100)
        wait_for(lambda: any(c["function"] == "wait" for c in program.calls()), what="the driver to hold a message")
        winlook("close", panel["hwnd"])
        self.assertEqual(program.wait_exit(timeout=40), 0)
        self.assertEqual(failed_sends(program), [], "the driver's wait ended before the program did")

    def test_a_slow_driver_ends_a_fast_drag_of_every_slider_with_its_final_value(self):
        program = self.start(controlled=True)
        panel = drive.open_panel(program)
        program.control("slow 40")
        for number in (1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 100, 102):
            slider = program.controls(panel)[number]
            drag(slider, slider["screen"][1] - 20)

        def last_values():
            values = {}
            for _, controller, value in program.messages():
                values[controller] = value
            return values

        controllers = [12, 13, 14, 15, 16, 17, 18, 19, 20, 8, 9, 91]
        wait_for(lambda: last_values() == dict.fromkeys(controllers, 127), what="127 on every controller",
                 seen=last_values)


if __name__ == "__main__":
    unittest.main(verbosity=2)
