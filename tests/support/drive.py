"""Runs the real program under Wine with the test-double MIDI driver and drives it as a user would.

Used by the end-to-end tests and the demonstration. It runs on the Linux side: it starts the program
with wine64, moves the mouse and types with xdotool, and reads what the windows show with the winlook
program, run in the same Wine session (X server, prefix, wineserver: tests/support/wine-session.sh).
DBB_BUILD_DIR names the x86_64 build tree, DBB_PROGRAM the program.
"""
import json
import os
import shutil
import subprocess
import tempfile
import time

WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
BUILD = os.environ.get("DBB_BUILD_DIR", "")
PROGRAM = os.environ.get("DBB_PROGRAM", "")
SUPPORT = os.path.join(BUILD, "tests", "support")
WINLOOK = os.path.join(SUPPORT, "winlook", "winlook.exe")
# Files of system DLLs' names that only say they were loaded, for laying beside the program.
PLANTED = [os.path.join(SUPPORT, "planted", name) for name in ("winmm.dll", "oleacc.dll")]

PANEL_TITLE = "Midi Drawbar box - for Karvello"
DIALOG_TITLE = "Select the MIDI-OUT"


def latin1(text):
    """The program's texts are Windows-1252 bytes; winlook hands them over byte for byte."""
    return text.encode("latin-1")


def winlook(*args, check=True):
    started = time.monotonic()
    result = subprocess.run([WINE, WINLOOK, *args], capture_output=True, timeout=120)
    if check and result.returncode != 0:
        code = result.returncode
        ended = "killed by signal %d" % -code if code < 0 else "exit code %d" % code
        raise AssertionError("winlook %s failed after %.1f s (%s): %s" % (
            " ".join(args), time.monotonic() - started, ended,
            result.stderr.decode(errors="replace").strip() or "nothing on stderr"))
    return [json.loads(line) for line in result.stdout.decode("latin-1").splitlines() if line.strip()]


def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True, timeout=30)


def wait_for(predicate, timeout=20.0, what="a condition", seen=None):
    """Polls predicate() until it answers truly and returns that answer. Giving up after timeout
    seconds, it says what it waited for, how long, and what it saw last: seen() when given (for a
    predicate that only answers yes or no), else the predicate's last answer."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("gave up after %.1f s waiting for %s; last seen: %r"
                                 % (timeout, what, seen() if seen else value))
        time.sleep(0.05)


# The panel, column by column: (slider, caption, caption text, display, controller).
COLUMNS = [(1, 11, "16", 21, 12), (2, 12, "5 1/3", 22, 13), (3, 13, "8", 23, 14), (4, 14, "4", 24, 15),
           (5, 15, "2 2/3", 25, 16), (6, 16, "2", 26, 17), (7, 17, "1 3/5", 27, 18), (8, 18, "1 1/3", 28, 19),
           (9, 19, "1", 29, 20), (10, 20, "R/H", 30, 8), (100, 40, "Dis.", 101, 9), (102, 41, "Rev.", 103, 91)]
BUTTONS = [(50, "Perc OFF", 10, 175, 66, 0), (51, "Perc 4th", 70, 175, 66, 8), (52, "Perc 3rd", 130, 175, 66, 16),
           (53, "V/C OFF", 10, 200, 31, 0), (54, "Vib", 70, 200, 31, 8), (55, "Cho", 130, 200, 31, 16),
           (56, "Les.ON", 190, 175, 68, 64), (57, "Les.OFF", 190, 200, 68, 0), (58, "Slow", 250, 175, 1, 0),
           (59, "Fast", 250, 200, 1, 64)]
# What each column's slider is called and does, left to right.
SLIDER_NAMES = ["16' drawbar", "5 1/3' drawbar", "8' drawbar", "4' drawbar", "2 2/3' drawbar", "2' drawbar",
                "1 3/5' drawbar", "1 1/3' drawbar", "1' drawbar", "R/H", "Distortion", "Reverb"]


def describe(messages):
    """Short messages, (status, controller, value), as a person reads them: a line each, then the count."""
    meanings = {column[4]: name for column, name in zip(COLUMNS, SLIDER_NAMES)}
    meanings.update({(button[4], button[5]): button[1] for button in BUTTONS})
    lines = ["%02X %3u %3u   channel %u, controller %-3u %-20s value %u" % (
        status, controller, value, (status & 0x0F) + 1, controller,
        meanings.get((controller, value), meanings.get(controller, "?")), value)
        for status, controller, value in messages]
    return lines + ["%d Control Change message%s" % (len(messages), "" if len(messages) == 1 else "s")]


# The device dialog and the panel, as every script that plays the program meets them.
PANEL_CONTROLS = 47  # the header, twelve sliders with a caption and a display each, ten buttons


def wait_dialog(program, timeout=30.0):
    """The device dialog, once it is in front and takes the keys."""
    program.wait_window(DIALOG_TITLE, timeout=int(timeout * 1000))

    def in_front():
        dialog = winlook("wait", "title:" + DIALOG_TITLE)[0]
        return dialog if dialog["foreground"] else None

    def front():
        return [w["text"] for w in winlook("top") if w["foreground"]] or "no window in front"

    return wait_for(in_front, timeout, "the device dialog in front", seen=front)


def answer_dialog(program, text=None, key="Return", timeout=30.0):
    """Waits for the device dialog, types the answer (None keeps the offered 2) and presses key."""
    dialog = wait_dialog(program, timeout)
    if text is not None:
        xdotool("type", "--delay", "20", "--", text)
    xdotool("key", key)
    return dialog


def wait_panel(program, timeout=30.0):
    """The panel, once every one of its controls is there."""
    panel = program.wait_window(PANEL_TITLE, timeout=int(timeout * 1000))
    wait_for(lambda: len(program.controls(panel)) == PANEL_CONTROLS, timeout, "all controls of the panel",
             seen=lambda: "%d controls" % len(program.controls(panel)))
    return panel


def open_panel(program, text=None, timeout=30.0):
    """Answers the device dialog (the offered 2, or text) and returns the panel with all its controls."""
    answer_dialog(program, text, timeout=timeout)
    return wait_panel(program, timeout)


def centre(window):
    left, top, right, bottom = window["screen"]
    return (left + right) // 2, (top + bottom) // 2


def click(window):
    x, y = centre(window)
    xdotool("mousemove", x, y, "click", 1)


def drag(slider, to_y):
    """Drags a vertical slider's thumb with the mouse from where it stands to the screen row to_y."""
    left, top, right, bottom = slider["screen"]
    x = (left + right) // 2
    span = bottom - top
    # The thumb stands at the bottom for state 0 and at the top for the maximum, its middle 12 pixels
    # from the end at 96 DPI, where the panel's sliders are 30 pixels wide: the width gives the scale.
    state = slider["max"] - slider["pos"]
    inset = 12 * (right - left) // 30
    y = bottom - inset - (span - 2 * inset) * state // slider["max"]
    xdotool("mousemove", x, y, "mousedown", 1)
    step = -8 if to_y < y else 8
    for row in range(y, to_y, step):
        xdotool("mousemove", x, row)
    xdotool("mousemove", x, to_y, "mouseup", 1)


def screenshot(path, window=None):
    """The screen, or only the window's outer rectangle, as a PNG."""
    if window is not None:
        left, top, right, bottom = window["screen"]
        crop = "%dx%d+%d+%d" % (right - left, bottom - top, left, top)
        subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", path], check=True, timeout=60)
        return path
    subprocess.run(["import", "-window", "root", path], check=True, timeout=60)
    return path


class Program:
    """One run of the program in a folder of its own, with the stand-in driver that the session put in
    the system's folder (wine-session.sh) preferred to Wine's own winmm, for this program alone."""

    def __init__(self, outputs=("Alpha Synth", "Beta Port", "Gamma Box"), args=(), controlled=False, planted=False,
                 **driver):
        """controlled: the driver takes changes while the program runs (control()); it then looks
        for them at every call, which the benchmarks must not pay for. planted: a winmm.dll and an
        oleacc.dll that only say they were loaded lie beside the program (planted_loaded()), and
        Wine prefers DLLs not its own for both, as Windows does for names that are not KnownDLLs
        (for oleacc falling back to its own, the system's, which its own folder holds as Wine's)."""
        self.folder = tempfile.mkdtemp(prefix="dbb-e2e-")
        shutil.copy(PROGRAM, os.path.join(self.folder, "MidiDrawbarBox.exe"))
        for dll in PLANTED if planted else ():
            shutil.copy(dll, self.folder)
        self.log_path = os.path.join(self.folder, "midi.log")
        env = dict(os.environ)
        env["WINEDLLOVERRIDES"] = "winmm=n;oleacc=n,b" if planted else "winmm=n"
        env["DBB_MIDI_OUT_NAMES"] = "|".join(outputs)
        env["DBB_MIDI_LOG"] = "Z:" + self.log_path.replace("/", "\\")
        self.control_path = os.path.join(self.folder, "control")
        if controlled:
            env["DBB_MIDI_CONTROL"] = "Z:" + self.control_path.replace("/", "\\")
        for key, value in driver.items():
            env["DBB_MIDI_" + key.upper()] = str(value)
        self.process = subprocess.Popen([WINE, "MidiDrawbarBox.exe", *args], cwd=self.folder, env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def control(self, *commands):
        """Unplugs, plugs back or slows the driver's devices (winmm_double/README.md)."""
        with open(self.control_path, "a") as control:
            control.write("".join(command + "\n" for command in commands))

    def broadcast_device_change(self):
        winlook("devicechange")  # to every top-level window, as Windows sends it

    def planted_loaded(self):
        return sorted(name for name in os.listdir(self.folder) if name.endswith(".loaded"))

    # What the driver saw.
    def calls(self):
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, "rb") as log:
            lines = log.read().decode("latin-1").splitlines()
        calls = []
        for line in lines:
            parts = line.split()
            if len(parts) < 2:
                continue
            fields = dict(p.split("=", 1) for p in parts[2:] if "=" in p)
            calls.append({"t": int(parts[0]), "function": parts[1], **fields})
        return calls

    def messages(self):
        """Every short message sent, as (status, data1, data2)."""
        result = []
        for call in self.calls():
            if call["function"] == "midiOutShortMsg":
                m = int(call["msg"], 16)
                result.append((m & 0xFF, (m >> 8) & 0xFF, (m >> 16) & 0xFF))
        return result

    def wait_messages(self, count, timeout=10.0):
        return wait_for(lambda: len(self.messages()) >= count and self.messages(), timeout,
                        "%d MIDI messages" % count, seen=self.messages)

    def opened_device(self):
        opens = [c for c in self.calls() if c["function"] == "midiOutOpen"]
        return int(opens[-1]["device"]) if opens else None

    # Its windows.
    def wait_window(self, title, timeout=30000):
        return winlook("wait", "title:" + title, str(timeout))[0]

    def controls(self, window):
        return {c["id"]: c for c in winlook("children", window["hwnd"])}

    def wait_exit(self, timeout=30):
        return self.process.wait(timeout=timeout)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)
        shutil.rmtree(self.folder, ignore_errors=True)
