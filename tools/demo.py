"""A short demonstration on a machine without a display: the real program under Wine on a private X
server, with the test-double MIDI driver offering three named devices. A scripted user picks device 2,
pulls the nine drawbars one by one, then the distortion and reverb sliders, presses a few buttons and
closes the panel; the MIDI that came out is printed as readable lines, and a screenshot of the panel
is saved. Then that MIDI, at the times the driver logged it, plays the setBfree tonewheel organ under
a held chord (tests/support/organ.py): the recording and its spectrogram are saved beside the screenshots.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
import organ  # noqa: E402
from drive import (WINLOOK, Program, click, describe, drag, wait_dialog, wait_panel, winlook,  # noqa: E402
                   screenshot, wait_for, xdotool)

SHOTS = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.getcwd(), "out")
CHORD = (60, 64, 67)  # C major from middle C, held on the organ's upper manual while the panel plays
HOLD = 0.8  # seconds each new sound is left alone, so that the ear and the spectrogram find it
PICTURE_TITLE = "Held C major chord: drawbars 16' to 1' pulled in turn, then distortion, then reverb"


def main():
    os.makedirs(SHOTS, exist_ok=True)
    program = Program(outputs=("Loopback Organ In", "USB MIDI Cable", "Karvello Sound Module"))
    try:
        dialog = wait_dialog(program)
        dialog_shot = screenshot(os.path.join(SHOTS, "demo-dialog.png"), dialog)
        print("The device dialog lists three devices; the user accepts the offered 2.")
        xdotool("key", "Return")

        panel = wait_panel(program)
        controls = program.controls(panel)
        print("Panel open on %r. Pulling the drawbars 16' to 1' one by one, then Dis. and Rev.; pressing"
              " Perc 3rd, Vib, Les.ON and Fast." % controls[0]["text"])
        moves = [(n, 20 + n, HOLD) for n in range(1, 10)] + [(100, 101, 2 * HOLD), (102, 103, 2 * HOLD)]
        for slider, display, hold in moves:  # slider, its value display, seconds left alone after it
            drag(controls[slider], controls[slider]["screen"][1] - 20)
            wait_for(lambda: program.controls(panel)[display]["text"] == "127", what="display %d at 127" % display,
                     seen=lambda: program.controls(panel)[display]["text"])
            time.sleep(hold)
        sent = len(program.messages())
        for button in (52, 54, 56, 59):
            click(controls[button])
        program.wait_messages(sent + 4)
        panel_shot = screenshot(os.path.join(SHOTS, "demo-panel.png"), panel)

        winlook("close", panel["hwnd"])
        code = program.wait_exit()
        print("The panel was closed; the program ended with exit code %d.\n" % code)
        print("MIDI sent to device 2 (status, controller, value):")
        print("\n".join(describe(program.messages())))
        print("\nScreenshots:\n  %s\n  %s" % (dialog_shot, panel_shot))
        calls = program.calls()
    finally:
        program.close()
    play(calls)


def play(calls):
    """The session's MIDI into setBfree under the held chord; the recording and its spectrogram."""
    print("\nPlaying the same MIDI into setBfree under a held C major chord (middle C, E, G)...")
    started = time.monotonic()
    events, seconds, _ = organ.score(organ.cc_events(calls), CHORD, lead=1.0, tail=1.5, ring=2.0)
    wav = os.path.join(SHOTS, "demo.wav")
    try:
        organ.render(events, seconds, wav)
    except organ.OrganError as error:
        sys.exit("The organ did not play: %s" % error)
    try:
        recording = organ.convert(wav, os.path.join(SHOTS, "demo.flac"))
        picture = organ.spectrogram(recording, os.path.join(SHOTS, "demo-spectrogram.png"), PICTURE_TITLE)
    except (OSError, subprocess.SubprocessError) as error:
        sys.exit("sox could not save the recording or draw it (%s); tools/install-deps.sh installs it" % error)
    os.remove(wav)
    print("Recorded %.0f s in %.0f s.\nRecording:\n  %s\nSpectrogram:\n  %s"
          % (seconds, time.monotonic() - started, recording, picture))


if __name__ == "__main__":
    if not os.path.exists(WINLOOK):
        sys.exit("build first: tools/build.sh")
    main()
