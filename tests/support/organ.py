"""Plays the panel's MIDI into setBfree, a tonewheel organ synthesizer, and records what it sounds like.

Used by the demonstration and the sound test. render() replays the Control Changes that the stand-in
driver logged, at the times it logged them, together with held notes the panel itself never sends,
and saves the organ's two outputs as a WAV file. It runs in a child process under Debian's Python
(/usr/bin/python3, which has the JACK client and numpy): that child starts a JACK server of its own
on the dummy backend (no sound card) and setBfree on it, plays and records through one JACK client,
and stops both. As root the child gets a private /dev/shm, where JACK keeps its sockets and its
registry, so nothing of it outlives the run or meets another run's server. Every wait is bounded;
a missing or failing synthesizer ends the run with an OrganError that says what did not arrive.

The analysis helpers (read_wav, level) need numpy and so Debian's Python too; everything else here
runs under any Python 3.
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PYTHON = "/usr/bin/python3"
RATE = 48000
PERIOD = 1024

# What setBfree does with each controller the panel sends (one function a controller: of two named
# for one controller on its command line, setBfree keeps the last). The panel sends 0 with a slider at
# the bottom and 127 at the top; setBfree reads 0 as a drawbar pulled fully out (loudest) and 127 as
# pushed in, and a trailing "-" on a function name inverts the controller. So the panel's drawbars,
# 16' to 1' on controllers 12 to 20, go to setBfree's upper manual inverted: at the bottom a drawbar
# is pushed in, at the top pulled fully out, in setBfree's nine steps (0-7 in, 8-23 the first step,
# each 16 values one more, 120-127 fully out). Dis. switches setBfree's overdrive (off below 64, on
# from 64); Rev. sets its reverb's mix from dry (0) to wet (127). R/H and the percussion,
# vibrato/chorus and rotary buttons have no counterpart there and stay unmapped.
DRAWBARS = ("drawbar16", "drawbar513", "drawbar8", "drawbar4", "drawbar223", "drawbar2", "drawbar135",
            "drawbar113", "drawbar1")
PANEL_MAPPING = {12 + i: "upper." + name + "-" for i, name in enumerate(DRAWBARS)}
PANEL_MAPPING[9] = "overdrive.enable"
PANEL_MAPPING[91] = "reverb.mix"

# setBfree as the panel finds it: every drawbar pushed in, no reverb, overdrive off (as setBfree
# starts anyway), no percussion or vibrato, no configuration or program file of the machine's user
# read, and only the controllers above mapped (-D drops setBfree's own map, which would read the
# panel's controller 1, the rotary speed, as the swell pedal). The rotary speaker is left out: the
# panel's rotary buttons have no counterpart, and a turning rotor would sway every partial's level.
SETBFREE_ARGS = ("-D", "-C", "-P", "-U", "000000000", "reverb.mix=0", "whirl.bypass=1")

# Bounds on every wait, in seconds.
SERVER_WAIT = 10.0
SYNTH_WAIT = 10.0
AUDIO_WAIT = 5.0
STOP_WAIT = 5.0


class OrganError(Exception):
    """The organ could not be started or did not play: the message says what did not arrive."""


def cc_events(calls):
    """The messages in a stand-in driver log (drive.Program.calls()), as (microseconds, bytes): the
    panel sends Control Changes only."""
    events = []
    for call in calls:
        if call["function"] == "midiOutShortMsg":
            m = int(call["msg"], 16)
            events.append((call["t"], bytes((m & 0xFF, (m >> 8) & 0xFF, (m >> 16) & 0xFF))))
    return events


def score(messages, notes, lead=1.0, tail=1.5, ring=0.5, channel=0):
    """Lays the logged messages out under held notes: the notes start at 0 s, the first message
    comes lead seconds later and the others keep their logged distances, the notes end tail seconds
    after the last one and the recording ring seconds after that. Returns ([(seconds, bytes)], the
    recording's length in seconds, the shift: a logged time t in microseconds is at
    (t - shift) / 1e6 seconds in the recording)."""
    shift = (messages[0][0] if messages else 0) - int(lead * 1e6)
    events = [(0.0, bytes((0x90 | channel, note, 100))) for note in notes]
    events += [((t - shift) / 1e6, data) for t, data in messages]
    end = (events[-1][0] if messages else lead) + tail
    events += [(end, bytes((0x80 | channel, note, 0))) for note in notes]
    return events, end + ring, shift


def key_frequency(note):
    """The 8' pitch of a MIDI note (equal temperament, A = 440 Hz)."""
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


def render(events, seconds, wav_path, mapping=None, rate=RATE):
    """Plays events [(seconds, bytes)] into setBfree and records seconds of its outputs into
    wav_path (16-bit stereo). Raises OrganError when the organ cannot be started or stops."""
    mapping = PANEL_MAPPING if mapping is None else mapping
    for tool, package in (("jackd", "jackd2"), ("setBfree", "setbfree")):
        if not shutil.which(tool):
            raise OrganError("%s not found: install the %s package (tools/install-deps.sh does)" % (tool, package))
    if not os.path.exists(PYTHON):
        raise OrganError("%s not found: the organ runs under Debian's Python" % PYTHON)
    args = list(SETBFREE_ARGS) + ["midi.driver=jack", "jack.connect=none"]
    args += ["midi.controller.upper.%d=%s" % (cc, function) for cc, function in sorted(mapping.items())]
    with tempfile.TemporaryDirectory(prefix="dbb-organ-") as work:
        job = {"server": "dbb-organ-%d-%d" % (os.getpid(), time.monotonic_ns() % 1000000), "rate": rate,
                "seconds": seconds, "events": [(t, list(data)) for t, data in events],
                "setbfree": args, "wav": os.path.abspath(wav_path), "work": work}
        job_path = os.path.join(work, "job.json")
        with open(job_path, "w") as f:
            json.dump(job, f)
        child = subprocess.Popen(_private_shm() + [PYTHON, os.path.abspath(__file__), "play", job_path],
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                 preexec_fn=_die_with_parent)
        limit = SERVER_WAIT + SYNTH_WAIT + AUDIO_WAIT + seconds * 1.5 + 3 * STOP_WAIT
        try:
            output, _ = child.communicate(timeout=limit)
        except subprocess.TimeoutExpired:
            child.kill()
            output, _ = child.communicate()
            raise OrganError("the organ did not finish within %.0f s:\n%s" % (limit, _tail(output)))
        if child.returncode != 0:
            raise OrganError(_tail(output))
        return output.decode(errors="replace")


def spectrogram(wav_path, png_path, title, top=4000):
    """Draws the recording (both channels mixed) from 0 to top Hz over its length with sox."""
    subprocess.run(["sox", wav_path, "-n", "remix", "1,2", "rate", str(2 * top), "spectrogram",
                    "-x", "900", "-y", "400", "-z", "80", "-t", title, "-c", "MidiDrawbarBox into setBfree",
                    "-o", png_path], check=True, timeout=120, stdout=subprocess.DEVNULL)
    return png_path


def convert(wav_path, path, *effects):
    """The recording in another format (by path's extension), through sox effects such as
    ("remix", "1,2", "rate", "16000")."""
    subprocess.run(["sox", wav_path, path, *effects], check=True, timeout=120)
    return path


def read_wav(path):
    """(rate, samples): the recording's channels mixed, as floats in -1..1."""
    import wave
    import numpy as np
    with wave.open(path, "rb") as w:
        rate, channels = w.getframerate(), w.getnchannels()
        data = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").astype(np.float64) / 32768.0
    return rate, data.reshape(-1, channels).mean(axis=1)


def level(samples, rate, start, end, frequency, width=0.03):
    """Energy in dB (full scale) of the band frequency +- width (a fraction of it) between start
    and end seconds, through a Hann window."""
    import numpy as np
    chunk = samples[max(0, int(start * rate)):int(end * rate)]
    if len(chunk) < rate // 50:
        raise ValueError("window %.2f..%.2f s is too short to measure" % (start, end))
    window = np.hanning(len(chunk))
    spectrum = np.abs(np.fft.rfft(chunk * window)) ** 2
    freqs = np.fft.rfftfreq(len(chunk), 1.0 / rate)
    band = (freqs >= frequency * (1 - width)) & (freqs <= frequency * (1 + width))
    power = spectrum[band].sum() * 4.0 / (window.sum() ** 2)
    return 10.0 * np.log10(power + 1e-20)


def _tail(output, lines=25):
    text = output.decode(errors="replace").strip().splitlines()
    return "\n".join(text[-lines:]) or "the organ ended without a word"


def _die_with_parent():
    """Runs in a child before exec: it gets SIGTERM when the process that started it ends."""
    import ctypes
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


_PRIVATE_SHM = None


def _private_shm():
    """The command prefix that gives a child a /dev/shm of its own (a fresh tmpfs in a private mount
    namespace), or nothing where that is not allowed (not root): then the JACK server still has a
    name of its own, but JACK's registry file stays behind in /dev/shm."""
    global _PRIVATE_SHM
    if _PRIVATE_SHM is None:
        prefix = ["unshare", "--mount", "--propagation", "private", "--", "sh", "-c",
                  'mount -t tmpfs -o size=512m,mode=1777 dbb-organ /dev/shm && exec "$@"', "organ"]
        try:
            ok = subprocess.run(prefix + ["true"], capture_output=True, timeout=10).returncode == 0
        except (OSError, subprocess.TimeoutExpired):
            ok = False
        _PRIVATE_SHM = prefix if ok else []
    return _PRIVATE_SHM


# The child: the JACK server, setBfree and the player/recorder. Run as: organ.py play JOB.json

def _say(text):
    print("organ: " + text, flush=True)


def _fail(text, log=None):
    if log and os.path.exists(log):
        with open(log, errors="replace") as f:
            lines = f.read().strip().splitlines()
        if lines:
            text += "\n--- %s (last lines) ---\n%s" % (os.path.basename(log), "\n".join(lines[-15:]))
    raise OrganError(text)


def _start(command, log, env):
    with open(log, "wb") as f:
        return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=f, stderr=subprocess.STDOUT, env=env,
                                preexec_fn=_die_with_parent, start_new_session=True)


def _stop(process):
    if process is None or process.poll() is not None:
        return
    process.send_signal(signal.SIGINT)
    try:
        process.wait(timeout=STOP_WAIT)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=STOP_WAIT)


def _wait(check, timeout, what, process, log):
    """Polls check() until it answers; fails at once when process has ended, or after timeout."""
    end = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if process.poll() is not None:
            _fail("%s ended (exit code %d) before %s" % (os.path.basename(process.args[0]), process.returncode, what),
                  log)
        if time.monotonic() > end:
            _fail("no %s after %.0f s" % (what, timeout), log)
        time.sleep(0.05)


def _play(job):
    import threading
    import wave
    import jack
    import numpy as np

    jack.set_error_function(lambda message: None)  # refused connections while the server starts
    jack.set_info_function(lambda message: None)
    name, rate, work = job["server"], job["rate"], job["work"]
    env = dict(os.environ, JACK_DEFAULT_SERVER=name, JACK_NO_START_SERVER="1")
    jackd_log, synth_log = os.path.join(work, "jackd.log"), os.path.join(work, "setBfree.log")
    server = synth = client = None

    def connect():
        try:
            return jack.Client("dbb-organ", no_start_server=True, servername=name)
        except jack.JackError:
            return None

    try:
        started = time.monotonic()
        server = _start(["jackd", "-n", name, "--no-realtime", "-d", "dummy", "-r", str(rate), "-p", str(PERIOD)],
                        jackd_log, env)
        client = _wait(connect, SERVER_WAIT, "JACK server", server, jackd_log)
        synth = _start(["setBfree", *job["setbfree"]], synth_log, env)
        ports = ("setBfree:midi_in", "setBfree:out_left", "setBfree:out_right")

        def synth_ready():
            with open(synth_log, errors="replace") as f:
                go = "All systems go" in f.read()
            return go and all(client.get_ports(p) for p in ports)

        _wait(synth_ready, SYNTH_WAIT, "setBfree ready on the JACK server", synth, synth_log)
        _say("JACK and setBfree up in %.1f s" % (time.monotonic() - started))

        events = sorted((int(round(t * rate)), bytes(data)) for t, data in job["events"])
        total = int(job["seconds"] * rate)
        recording = np.zeros((2, total), dtype=np.float32)
        midi_out = client.midi_outports.register("midi_out")
        left, right = client.inports.register("in_left"), client.inports.register("in_right")
        state = {"armed": False, "pos": 0, "next": 0, "cycles": 0}
        done, running = threading.Event(), threading.Event()

        @client.set_process_callback
        def process(frames):
            midi_out.clear_buffer()
            state["cycles"] += 1
            if state["cycles"] > 2:
                running.set()
            if not state["armed"] or done.is_set():
                return
            pos = state["pos"]
            i = state["next"]
            while i < len(events) and events[i][0] < pos + frames:
                midi_out.write_midi_event(max(0, events[i][0] - pos), events[i][1])
                i += 1
            state["next"] = i
            n = min(frames, total - pos)
            recording[0, pos:pos + n] = left.get_array()[:n]
            recording[1, pos:pos + n] = right.get_array()[:n]
            state["pos"] = pos + frames
            if state["pos"] >= total:
                done.set()

        client.activate()
        client.connect(midi_out, "setBfree:midi_in")
        client.connect("setBfree:out_left", left)
        client.connect("setBfree:out_right", right)
        if not running.wait(AUDIO_WAIT):
            _fail("the JACK server runs no process cycles", jackd_log)
        state["armed"] = True
        if not done.wait(job["seconds"] * 1.2 + AUDIO_WAIT):
            _fail("the recording stopped at %.1f of %.1f s" % (state["pos"] / rate, job["seconds"]), jackd_log)
        if synth.poll() is not None:
            _fail("setBfree ended while playing (exit code %d)" % synth.returncode, synth_log)
        peak = float(np.abs(recording).max())
        _say("recorded %.1f s, peak %.3f (%.1f dBFS)" % (total / rate, peak, 20 * np.log10(peak + 1e-12)))
        pcm = (np.clip(recording.T, -1.0, 1.0) * 32767.0).astype("<i2")
        with wave.open(job["wav"], "wb") as w:
            w.setnchannels(2)
            w.setsampwidth(2)
            w.setframerate(rate)
            w.writeframes(pcm.tobytes())
    finally:
        if client is not None:
            client.deactivate()
            client.close()
        _stop(synth)
        _stop(server)


def main():
    if len(sys.argv) != 3 or sys.argv[1] != "play":
        sys.exit("usage: organ.py play JOB.json (render() runs it)")
    with open(sys.argv[2]) as f:
        job = json.load(f)
    try:
        _play(job)
    except ImportError as missing:
        sys.exit("organ: %s: the organ needs python3-jack-client and python3-numpy under %s" % (missing, PYTHON))
    except OrganError as error:
        sys.exit("organ: %s" % error)


if __name__ == "__main__":
    main()
