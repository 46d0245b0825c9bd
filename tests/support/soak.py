"""The soak run: slider changes and button presses posted to the running program by winlook,
and the checks on what came out of the MIDI driver double and on the process afterwards.

Used by tests/e2e/test_soak.py (a short run) and the benchmark, tools/bench.sh (the full run). The
program is a drive.Program (drive.py, beside this file) showing its panel, in the current Wine
session.
"""
import subprocess

from drive import WINE, WINLOOK

CONTROL_CHANGE = 0xB0


def cc(controller, value):
    """A Control Change on channel 1 as the driver logs it: status | controller << 8 | value << 16."""
    return CONTROL_CHANGE | controller << 8 | value << 16


def short_messages(program):
    """Every short message the driver double saw, as (time in microseconds, message)."""
    return [(call["t"], int(call["msg"], 16)) for call in program.calls() if call["function"] == "midiOutShortMsg"]


def linux_private_bytes(pid):
    """Anonymous resident memory of the Wine process: its private memory where Wine reports none."""
    try:
        with open("/proc/%d/status" % pid) as status:
            for line in status:
                if line.startswith("RssAnon:"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return 0


class SoakRun:
    """What one soak run asked for and saw."""

    def __init__(self):
        self.expected = []    # ("press" or "exact", message) or ("burst", controller, [values]), in order
        self.samples = []     # (changes, handles, private bytes, working set bytes, USER objects, GDI objects)
        self.private_source = "PrivateUsage"
        self.displays = []    # (display number, value set, text shown)
        self.counts = {}      # changes, presses, unanswered
        self.sent = []        # the messages that came out during the run
        self.exit_code = None
        self.errors = ""


def run(program, sliders, presses, seed=1, samples=20, timeout=3600):
    """Runs winlook's soak against the program's panel and collects the driver's messages."""
    result = SoakRun()
    before = len(short_messages(program))
    driving = subprocess.Popen([WINE, WINLOOK, "soak", str(sliders), str(presses), str(seed), str(samples)],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        for line in driving.stdout:
            word, _, rest = line.rstrip("\r\n").partition(" ")
            if word in ("exact", "press"):
                result.expected.append((word, int(rest, 16)))
            elif word == "burst":
                controller, values = rest.split()
                result.expected.append(("burst", int(controller), [int(v) for v in values.split(",")]))
            elif word == "sample":
                changes, handles, private, working, user, gdi = (int(v) for v in rest.split())
                if private == 0:  # Wine keeps no private count for other processes
                    private = linux_private_bytes(program.process.pid)
                    result.private_source = "RssAnon"
                result.samples.append((changes, handles, private, working, user, gdi))
            elif word == "display":
                number, value, text = (rest.split(" ", 2) + [""])[:3]
                result.displays.append((int(number), int(value), text))
            elif word == "lost":
                result.errors += "the display did not follow change %s\n" % rest
            elif word in ("changes", "presses", "unanswered"):
                result.counts[word] = int(rest)
        result.errors += driving.stderr.read()
        result.exit_code = driving.wait(timeout=timeout)
    finally:
        if driving.poll() is None:
            driving.kill()
            driving.wait()
        driving.stdout.close()
        driving.stderr.close()
    result.sent = [message for _, message in short_messages(program)[before:]]
    return result


def describe(message):
    return "(0x%02X, %d, %d)" % (message & 0xFF, (message >> 8) & 0xFF, (message >> 16) & 0xFF)


# The controllers of the buttons; every other controller belongs to a slider.
BUTTON_CONTROLLERS = {66, 31, 68, 1}


def controller_of(message):
    return (message >> 8) & 0xFF


def replay(made, sent):
    """None when sent can be what a queue fed made in order gives out, else where it cannot. The queue
    keeps one message per controller: a newer value takes the place of the one waiting (the sender
    thread's queue when the driver falls behind). made: (controller, value, optional) in order; an
    optional one may never have been fed (a burst's positions the loop did not see)."""
    queue, fed = [], 0
    for number, message in enumerate(sent):
        while not (queue and queue[0] == [controller_of(message), message >> 16 & 0xFF]):
            if fed == len(made):
                return "message %d: %s, not due then" % (number, describe(message))
            controller, value, _ = made[fed]
            fed += 1
            waiting = [entry for entry in queue if entry[0] == controller]
            if waiting:
                waiting[0][1] = value
            else:
                queue.append([controller, value])
        queue.pop(0)
    missing = queue + [[c, v] for c, v, optional in made[fed:] if not optional]
    return "%s never came" % describe(CONTROL_CHANGE | missing[0][0] << 8 | missing[0][1] << 16) if missing else None


def first_difference(expected, sent):
    """None when the messages can be what the run called for, else where they first differ.

    Presses and slider changes are two streams, each checked in its own order: a press posted after a
    change has come out may still go out after the change made next (panel_driver.cpp says why).
    Each stream must be what its queue gives out (replay): every message once, in order, except that
    a controller's newer value may take the place of its older one waiting, and of a burst any
    position may be skipped but the last, which ends it. Nothing else may come.
    """
    presses, changes = [], []
    for item in expected:
        if item[0] == "burst":
            changes += [(item[1], value, n < len(item[2]) - 1) for n, value in enumerate(item[2])]
        else:
            (presses if item[0] == "press" else changes).append((controller_of(item[1]), item[1] >> 16 & 0xFF, False))
    for name, made, stream in (("presses", presses, [m for m in sent if controller_of(m) in BUTTON_CONTROLLERS]),
                               ("changes", changes, [m for m in sent if controller_of(m) not in BUTTON_CONTROLLERS])):
        difference = replay(made, stream)
        if difference:
            return "%s: %s" % (name, difference)
    return None


def growth(samples, warm_up=0.25):
    """Handles, USER and GDI objects and private bytes at the end against the first sample past the
    warm-up share (private bytes: their highest value after it)."""
    last = samples[-1][0]
    warm = next(s for s in samples if s[0] >= last * warm_up)
    figures = {}
    for name, index in (("handles", 1), ("user", 4), ("gdi", 5)):
        figures[name + "_warm"] = warm[index]
        figures[name + "_end"] = samples[-1][index]
        figures[name + "_growth"] = samples[-1][index] - warm[index]
    figures["private_warm"] = warm[2]
    figures["private_end"] = samples[-1][2]
    figures["private_growth"] = max(s[2] for s in samples if s[0] >= warm[0]) - warm[2]
    return figures
