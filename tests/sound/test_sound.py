"""The panel heard on a tonewheel organ: a drawbar pulled sounds its partial of the held note, pushed
back it silences it again.

The real program runs under Wine with the stand-in driver, and a scripted user pulls the 16', 8' and
4' drawbars to the top and back to the bottom, one after another, leaving each move alone for a
moment. The MIDI that the driver logged then plays at its logged times into setBfree, which holds
middle C (tests/support/organ.py), and the recording is measured: the energy at each drawbar's partial in the
quiet stretch before it is pulled, while it is out, and after it is back. Every wait is short and
bounded, so a synthesizer that does not start or does not answer fails the test at once.
"""
import os
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

from harness import BUILD, ProgramTest, drag, wait_for, winlook  # noqa: E402
import drive  # noqa: E402  (tests/support/, on the path through harness)
import organ  # noqa: E402

NOTE = 60  # middle C; its 8' pitch is about 261.6 Hz
HOLD = 0.6  # seconds each move is left alone
SETTLE = 0.1  # seconds after a move before its sound is measured
RISE = 20.0  # dB a partial must gain when its drawbar is pulled, and lose when it is pushed back
MOVED = (("16'", 1, 12, 0.5), ("8'", 3, 14, 1.0), ("4'", 4, 15, 2.0))  # footage, slider, controller, partial


def quiet_stretches(times, values, end):
    """The stretches between the moves, in recording seconds: before the first message, and after
    each message that ends a move (a drawbar at the top, 127, or the bottom, 0) up to the next one."""
    stretches = [(SETTLE, times[0] - 0.05)]
    for i, value in enumerate(values):
        if value in (0, 127):
            following = times[i + 1] if i + 1 < len(times) else end
            stretches.append((times[i] + SETTLE, following - 0.05))
    return stretches


class Sound(ProgramTest):
    def test_a_pulled_drawbar_sounds_its_partial_and_pushed_back_silences_it(self):
        program = self.start()
        panel = drive.open_panel(program, timeout=20)
        for footage, slider, controller, _ in MOVED:
            for value in (127, 0):
                thumb = program.controls(panel)[slider]
                drag(thumb, thumb["screen"][1] - 20 if value else thumb["screen"][3] + 20)
                wait_for(lambda: program.messages()[-1:] == [(0xB0, controller, value)], timeout=5,
                         what="the %s drawbar's controller %d at %d" % (footage, controller, value),
                         seen=lambda: program.messages()[-3:])
                time.sleep(HOLD)
        winlook("close", panel["hwnd"])
        self.assertEqual(program.wait_exit(timeout=10), 0)

        messages = organ.cc_events(program.calls())
        events, seconds, shift = organ.score(messages, [NOTE], lead=HOLD, tail=HOLD, ring=0.2)
        wav = os.path.join(BUILD, "sound_setbfree.wav")
        started = time.monotonic()
        organ.render(events, seconds, wav)
        print("\nsetBfree played and recorded %.1f s in %.1f s (%s)" % (seconds, time.monotonic() - started, wav),
              file=sys.stderr)

        rate, samples = organ.read_wav(wav)
        times = [(t - shift) / 1e6 for t, _ in messages]
        stretches = quiet_stretches(times, [data[2] for _, data in messages], events[-1][0])
        self.assertEqual(len(stretches), 1 + 2 * len(MOVED), "one quiet stretch before and after every move")
        for n, (footage, _, _, partial) in enumerate(MOVED):
            frequency = organ.key_frequency(NOTE) * partial
            before, out, back = (organ.level(samples, rate, *stretches[2 * n + k], frequency) for k in range(3))
            print("%s drawbar, %.1f Hz: %.1f dB before, %.1f dB pulled, %.1f dB pushed back"
                  % (footage, frequency, before, out, back), file=sys.stderr)
            with self.subTest(drawbar=footage):
                self.assertGreater(out - before, RISE, "pulling the %s drawbar raises %.1f Hz" % (footage, frequency))
                self.assertGreater(out - back, RISE, "pushing it back lowers %.1f Hz" % frequency)


if __name__ == "__main__":
    unittest.main()
