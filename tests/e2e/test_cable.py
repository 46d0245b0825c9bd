"""The cable comes out and goes back in: the panel never waits for the driver, says when the device is
gone, finds it again by name and tells it where every control stands."""
import unittest

from harness import ProgramTest, drag, drive, wait_for, winlook

SEARCH_INTERVAL_US = 2000000  # how often the program looks for a lost device unless the system says more
DEFAULT = ("Alpha Synth", "Beta Port", "Gamma Box")
TWINS = ("Alpha Synth", "Beta Port", "Beta Port")
LONG = ("Alpha Synth", "MMMMMMMMMM WWWWWWWWWW MMMMMMMMM", "Gamma Box")  # 31 characters, too wide for both


def play(slider, value):
    """Moves a slider to value, as a finished drag does."""
    winlook("move", slider["hwnd"], str(127 - value))


def since(program, start, function):
    return [c for c in program.calls()[start:] if c["function"] == function]


class Cable(ProgramTest):
    def header(self, program, panel):
        return program.controls(panel)[0]["text"]

    def header_reads(self, program, panel, text):
        wait_for(lambda: self.header(program, panel) == text, what="the header to read %r" % text,
                 seen=lambda: self.header(program, panel))

    def test_lost_and_found_again_by_its_name_alone(self):
        # idle: unplugged while nothing is played; sends: what goes to the dead handle and comes back
        for case, outputs, chosen, changes, idle, sends in (
                ("unplugged idle: the system's word alone tells", DEFAULT, 1, (), True, 0),
                ("a twin of the same name stays plugged in", TWINS, 2, (), False, 1),
                ("closing the dead handle hangs", DEFAULT, 1, ("close-wait 60000",), False, 1),
                ("a send to the dead handle hangs", LONG, 1, ("dead-wait 10000",), False, 0)):
            with self.subTest(case):
                program = self.start(outputs=outputs, controlled=True)
                panel = drive.open_panel(program, str(chosen))
                controls = program.controls(panel)
                play(controls[1], 100)
                program.wait_messages(1)
                program.control(*changes, "unplug %d" % chosen)
                unplugged = len(program.calls())
                if not idle:
                    play(controls[2], 127)  # its send fails, or waits in the driver
                if "dead-wait 10000" in changes:
                    wait_for(lambda: since(program, unplugged, "wait"), what="the driver to hold a message")
                program.broadcast_device_change()
                told = wait_for(lambda: self.header(program, panel).endswith(" (not connected)") and
                                self.header(program, panel), what="the header to tell the loss")
                name, cut = outputs[chosen], told[:-len("... (not connected)")]
                self.assertTrue(told == name + " (not connected)" or name.startswith(cut) and "..." in told, told)
                fit = {f["id"]: f for f in winlook("fit", panel["hwnd"])}[0]
                self.assertLessEqual(fit["needed"][3], fit["client"][3], "the header on one line")
                play(controls[3], 50)
                play(controls[1], 0)
                drive.click(controls[59])  # Fast
                wait_for(lambda: program.controls(panel)[21]["text"] == "0", what="the panel to go on while lost")
                lost = len(program.calls())
                wait_for(lambda: since(program, lost, "midiOutGetNumDevs"), what="a search")
                self.assertEqual(since(program, unplugged, "midiOutOpen"), [], "a device still plugged in was taken")
                searched = since(program, lost, "midiOutGetNumDevs")[-1]
                program.control("plug")  # device 2 again, listed last with a new handle
                program.broadcast_device_change()
                self.header_reads(program, panel, outputs[chosen])
                opened = since(program, unplugged, "midiOutOpen")
                self.assertEqual([int(c["device"]) for c in opened], [2])
                self.assertLess(int(opened[0]["t"]) - int(searched["t"]), SEARCH_INTERVAL_US,
                                "found because of the broadcast, before the next timed search was due")
                out = since(program, unplugged, "midiOutShortMsg")
                self.assertEqual(len([c for c in out if c["handle"] != "0x1003"]), sends, "to the dead handle")
                self.assertEqual([c["msg"] for c in out if c["handle"] == "0x1003"],
                                 ["0x%08X" % (0xB0 | c << 8 | v << 16) for c, v in [(1, 64), (12, 0)] +
                                  ([] if idle else [(13, 127)]) + [(14, 50)]], "only the newest values, in order")
                program.close()

    def test_closed_while_the_driver_waits_far_longer_the_program_ends_first_with_zero(self):
        program = self.start(controlled=True)
        panel = drive.open_panel(program)
        program.control("dead-wait 60000", "unplug 2")
        play(program.controls(panel)[2], 127)
        wait_for(lambda: since(program, 0, "wait"), what="the driver to hold a message")
        winlook("close", panel["hwnd"])
        self.assertEqual(program.wait_exit(timeout=40), 0)
        self.assertEqual([c for c in since(program, 0, "midiOutShortMsg") if c["result"] != "0"], [],
                         "the driver's wait ended before the program did")

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
