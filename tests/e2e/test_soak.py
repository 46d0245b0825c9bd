"""A long evening, shortened: thousands of slider changes and hundreds of presses, nothing lost or doubled.

Winlook changes the sliders as their trackbars do (TBM_SETPOS, then WM_VSCROLL to the panel)
and presses the buttons (BM_CLICK to the button, which sends the panel BN_CLICKED itself), from another
process. tools/bench.sh runs the same soak at full length.
"""
import unittest

from harness import ProgramTest, winlook

import soak  # the soak's run and checks, shared with the benchmark (tools/bench.sh); on the path via harness
from soak import cc

SLIDER_CHANGES = 4000
PRESSES = 400
HANDLE_TOLERANCE = 2
# A few GDI objects come and go while a change is painted, and a sample may catch them; a leak of
# one object in a hundred changes or presses would already be 44.
GUI_TOLERANCE = 8
PRIVATE_TOLERANCE = 1 << 20  # bytes


class Soak(ProgramTest):
    def test_every_change_and_press_comes_out_once_in_order_and_nothing_grows(self):
        program, panel = self.open_panel()

        run = soak.run(program, SLIDER_CHANGES, PRESSES, seed=20240607, samples=16)
        self.assertEqual(run.exit_code, 0, run.errors)
        self.assertIsNone(soak.first_difference(run.expected, run.sent))
        self.assertEqual(run.counts, {"changes": SLIDER_CHANGES, "presses": PRESSES, "unanswered": 0})
        self.assertTrue(any(item[0] == "burst" for item in run.expected), "the run moves sliders in bursts too")

        # Every display shows where its slider stands, seen from the poster and from winlook alike.
        self.assertEqual(len(run.displays), 12)
        for number, value, text in run.displays:
            self.assertEqual(text, str(value), "display %d" % number)
        controls = program.controls(panel)
        for number, value, _ in run.displays:
            self.assertEqual(controls[number]["text"], str(value))

        used = soak.growth(run.samples)
        for name, tolerance in (("handles", HANDLE_TOLERANCE), ("user", GUI_TOLERANCE), ("gdi", GUI_TOLERANCE)):
            self.assertGreater(used[name + "_warm"], 0, "the %s count could be read" % name)
            self.assertLessEqual(used[name + "_growth"], tolerance, used)
        self.assertLessEqual(used["private_growth"], PRIVATE_TOLERANCE, used)

        # And it still ends as it should.
        winlook("close", panel["hwnd"])
        self.assertEqual(program.wait_exit(), 0)
        self.assertEqual([m for _, m in soak.short_messages(program)][len(run.sent):], [])

    def test_the_checker_finds_lost_doubled_reordered_and_stray_messages(self):
        expected = [("press", cc(66, 8)), ("burst", 12, [5, 90, 40]), ("press", cc(1, 64)), ("exact", cc(13, 7))]
        for sent in ([cc(66, 8), cc(12, 40), cc(1, 64), cc(13, 7)],
                     [cc(66, 8), cc(12, 5), cc(12, 40), cc(13, 7), cc(1, 64)]):  # a press after the next change
            with self.subTest(sent=[soak.describe(m) for m in sent]):
                self.assertIsNone(soak.first_difference(expected, sent))
        for sent in ([cc(66, 8), cc(12, 40), cc(1, 64)],                              # a change lost
                     [cc(66, 8), cc(12, 40), cc(13, 7)],                              # a press lost
                     [cc(66, 8), cc(66, 8), cc(12, 40), cc(1, 64), cc(13, 7)],        # a press doubled
                     [cc(1, 64), cc(66, 8), cc(12, 40), cc(13, 7)],                   # presses swapped
                     [cc(66, 8), cc(12, 40), cc(12, 40), cc(1, 64), cc(13, 7)],       # doubled in a burst
                     [cc(66, 8), cc(12, 90), cc(12, 5), cc(12, 40), cc(1, 64), cc(13, 7)],  # burst reordered
                     [cc(66, 8), cc(12, 90), cc(1, 64), cc(13, 7)],                   # burst short of its end
                     [cc(66, 8), cc(13, 7), cc(12, 40), cc(1, 64)],                   # changes swapped
                     [cc(66, 8), cc(12, 40), cc(1, 64), cc(13, 7), cc(14, 1)]):       # a stray at the end
            with self.subTest(sent=[soak.describe(m) for m in sent]):
                self.assertIsNotNone(soak.first_difference(expected, sent))


if __name__ == "__main__":
    unittest.main(verbosity=2)
