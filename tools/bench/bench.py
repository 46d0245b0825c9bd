"""Runs every benchmark and the full soak in the current Wine session, then prints one table.

Started by tools/bench.sh, which builds first and opens the session. DBB_BUILD_DIR names the x86_64
build tree, DBB_PROGRAM the program; the sizes are read from out/ for both targets.

  1. one pass of the event loop over the real panel, in process (loop_bench.exe)
  2. the time from a slider change posted to the panel to the driver's midiOutShortMsg
  3. CPU used in a quiet stretch by the waiting device dialog and by the idle panel
  4. the size of each .exe and the DLLs it imports; the panel's peak working set
  5. the soak: slider changes and button presses, nothing lost or doubled, nothing growing
"""
import argparse
import os
import platform
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
os.environ.setdefault("DBB_BUILD_DIR", os.path.join(ROOT, "build", "x86_64"))
os.environ.setdefault("DBB_PROGRAM", os.path.join(ROOT, "out", "x86_64", "MidiDrawbarBox.exe"))
sys.path.insert(0, os.path.join(ROOT, "tools"))
sys.path.insert(0, os.path.join(ROOT, "tools", "bench"))

import drive  # noqa: E402
import soak  # noqa: E402

CABLE_US = 3 * 10 * 1e6 / 31250  # one Control Change on a 31,250-baud cable: 960 microseconds
PASS_GOAL_US = CABLE_US / 100
# DLLs that come with every Windows installation.
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "winmm.dll", "msvcrt.dll",
                "advapi32.dll", "shell32.dll", "ole32.dll", "comdlg32.dll", "ntdll.dll"}


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, len(ordered) * share // 100)]


# ---- 1. the loop in process ----

def loop_figures(events):
    exe = os.path.join(drive.BUILD, "tools", "bench", "loop_bench.exe")
    result = subprocess.run([drive.WINE, exe, str(events)], capture_output=True, text=True, timeout=3600)
    figures = {}
    for line in result.stdout.splitlines():
        name, _, value = line.partition(" ")
        figures[name] = value.strip()
    figures["exit"] = result.returncode
    return figures


# ---- 2.-4. the running program ----

def open_panel(program):
    dialog_title = "title:" + drive.DIALOG_TITLE
    drive.wait_for(lambda: drive.winlook("wait", dialog_title)[0]["foreground"], what="the dialog in front")
    drive.xdotool("key", "Return")
    panel = program.wait_window(drive.PANEL_TITLE)
    drive.wait_for(lambda: len(program.controls(panel)) == 47, what="all controls of the panel")
    return panel


def process_usage(title):
    poster = os.path.join(drive.BUILD, "tools", "bench", "poster.exe")
    result = subprocess.run([drive.WINE, poster, "usage", title], capture_output=True, text=True, timeout=120)
    usage = {}
    for line in result.stdout.splitlines():
        fields = line.split()
        if len(fields) >= 2:
            usage[fields[0]] = fields[1:]
    return usage


def cpu_ticks(pid):
    """User and system time of a Linux process, all threads, in clock ticks."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def session_wineserver():
    """The wineserver of this session's prefix, or None."""
    prefix = os.environ.get("WINEPREFIX", "")
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % entry) as comm:
                if not comm.read().startswith("wineserver"):
                    continue
            with open("/proc/%s/environ" % entry, "rb") as environ:
                if ("WINEPREFIX=" + prefix).encode() in environ.read().split(b"\0"):
                    return int(entry)
        except OSError:
            continue
    return None


def cpu_share(pid, seconds):
    """Shares of one core used by the process and by the session's wineserver over the stretch."""
    server = session_wineserver()
    start = time.monotonic()
    before = cpu_ticks(pid), cpu_ticks(server) if server else 0
    time.sleep(seconds)
    after = cpu_ticks(pid), cpu_ticks(server) if server else 0
    elapsed = (time.monotonic() - start) * os.sysconf("SC_CLK_TCK")
    return (after[0] - before[0]) / elapsed, ((after[1] - before[1]) / elapsed) if server else None


def latency_figures(program, count):
    """Posted slider change to the driver's log line, matched one to one in order."""
    before = len(soak.short_messages(program))
    poster = os.path.join(drive.BUILD, "tools", "bench", "poster.exe")
    result = subprocess.run([drive.WINE, poster, "latency", str(count)], capture_output=True, text=True,
                            timeout=3600)
    stamps = []
    for line in result.stdout.splitlines():
        fields = line.split()
        if fields and fields[0] == "stamp":
            stamps.append((int(fields[1]), int(fields[2], 16)))
    drive.wait_for(lambda: len(soak.short_messages(program)) >= before + len(stamps), what="every change logged")
    logged = soak.short_messages(program)[before:]
    wrong = sum(1 for (_, wanted), (_, message) in zip(stamps, logged) if wanted != message)
    latencies = [t - stamp for (stamp, _), (t, _) in zip(stamps, logged)]
    return {
        "count": len(stamps),
        "wrong": wrong + abs(len(logged) - len(stamps)) + (0 if result.returncode == 0 else 1),
        "early": sum(1 for value in latencies if value < 0),
        "median": percentile(latencies, 50) if latencies else None,
        "p99": percentile(latencies, 99) if latencies else None,
    }


def running_program_figures(latency_count, idle_seconds):
    figures = {}
    program = drive.Program()
    try:
        program.wait_window(drive.DIALOG_TITLE)
        time.sleep(2)  # start-up settles
        figures["dialog_cpu"] = cpu_share(program.process.pid, idle_seconds)
        panel = open_panel(program)
        time.sleep(2)
        figures["panel_cpu"] = cpu_share(program.process.pid, idle_seconds)
        figures["latency"] = latency_figures(program, latency_count)
        figures["usage_after_latency"] = process_usage(drive.PANEL_TITLE)
        drive.winlook("close", panel["hwnd"])
        figures["exit"] = program.wait_exit()
    finally:
        program.close()
    return figures


def soak_figures(changes, presses):
    program = drive.Program()
    try:
        panel = open_panel(program)
        start = time.monotonic()
        run = soak.run(program, changes, presses, seed=20240607, samples=40)
        seconds = time.monotonic() - start
        usage = process_usage(drive.PANEL_TITLE)
        controls = program.controls(panel)
        drive.winlook("close", panel["hwnd"])
        exit_code = program.wait_exit()
    finally:
        program.close()
    shown = all(text == str(value) and controls[number]["text"] == str(value) for number, value, text in run.displays)
    return {
        "run": run,
        "seconds": seconds,
        "difference": soak.first_difference(run.expected, run.sent),
        "displays_match": shown and len(run.displays) == 12,
        "growth": soak.growth(run.samples),
        "usage": usage,
        "exit": exit_code,
    }


# ---- 4. the files ----

def file_figures():
    files = {}
    for arch in ("x86_64", "i686"):
        path = os.path.join(ROOT, "out", arch, "MidiDrawbarBox.exe")
        if not os.path.exists(path):
            files[arch] = None
            continue
        tool = arch + "-w64-mingw32-"
        dump = subprocess.run([tool + "objdump", "-p", path], capture_output=True, text=True, check=True).stdout
        imports = sorted({line.split("DLL Name:")[1].strip() for line in dump.splitlines() if "DLL Name:" in line},
                         key=str.lower)
        # What the file would weigh without its symbols and the runtime libraries' debug sections.
        with tempfile.TemporaryDirectory() as folder:
            stripped = os.path.join(folder, "stripped.exe")
            subprocess.run([tool + "strip", "-o", stripped, path], check=True)
            stripped_bytes = os.path.getsize(stripped)
        files[arch] = {"bytes": os.path.getsize(path), "stripped_bytes": stripped_bytes, "imports": imports,
                       "windows_only": all(name.lower() in WINDOWS_DLLS for name in imports)}
    return files


# ---- the table ----

def machine():
    model = "?"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    wine = subprocess.run([drive.WINE, "--version"], capture_output=True, text=True).stdout.strip()
    return "%d cores (nproc), %s, %s, Linux %s" % (os.cpu_count(), model, wine, platform.release())


def us(value):
    return "%.1f" % float(value)


def share(value):
    return "%.2f %%" % (100 * value) if value is not None else "?"


def print_table(loop, running, soaked, files, arguments):
    rows = []

    def row(figure, measured, goal="", verdict=""):
        rows.append((figure, measured, goal, verdict))

    def pass_row(name, key, goal=True):
        median = float(loop.get(key + ".median_us", "nan"))
        p99 = float(loop.get(key + ".p99_us", "nan"))
        measured = "median %s, p99 %s us (%.1f %% of the cable's %.0f us)" % (us(median), us(p99),
                                                                           100 * median / CABLE_US, CABLE_US)
        if goal:
            row(name, measured, "< %.1f us" % PASS_GOAL_US, "met" if median < PASS_GOAL_US else "missed")
        else:
            row(name, measured)

    if loop:
        pass_row("Loop pass, slider change (%s events)" % loop.get("loop.events", "?"), "loop.slider_pass")
        pass_row("Loop pass, button press", "loop.button_pass")
        pass_row("Loop pass, nothing changed", "loop.quiet_pass")
        pass_row("Loop pass for a repaint a change leaves", "loop.repaint_pass", goal=False)
        pass_row("One slider change, its repaints included", "loop.slider_change_with_repaints", goal=False)
        for part, name in (("part.wait_event", "  part: WaitEvent, one posted message"),
                           ("part.read_12_sliders", "  part: reading the 12 sliders"),
                           ("part.send_and_show_1_value", "  part: sending and showing one value")):
            row(name, "median %s, p99 %s us" % (us(loop.get(part + ".median_us", "nan")),
                                                 us(loop.get(part + ".p99_us", "nan"))))
        row("  loop bench's own check", "%s wrong or missing of %s messages" % (
            loop.get("check.messages_wrong_or_missing", "?"), loop.get("check.messages_expected", "?")),
            "0", "met" if loop.get("exit") == 0 else "FAILED")
    if running:
        lat = running["latency"]
        if lat["median"] is not None:
            row("Latency, change posted to driver (%d changes)" % lat["count"],
                "median %d, p99 %d us; %d wrong, %d early" % (lat["median"], lat["p99"], lat["wrong"], lat["early"]),
                "< %.0f us (the cable)" % CABLE_US, "met" if lat["p99"] < CABLE_US and lat["wrong"] == 0 else "missed")
        for key, name, goal in (("panel_cpu", "CPU, idle panel, %d s" % arguments.idle_seconds, "0"),
                                ("dialog_cpu", "CPU, waiting device dialog, %d s" % arguments.idle_seconds, "")):
            process, server = running[key]
            measured = "%s of one core (+ wineserver %s)" % (share(process), share(server))
            verdict = ("met" if process < 0.005 else "missed") if goal else ""
            row(name, measured, "%s of one core" % goal if goal else "", verdict)
        usage = running["usage_after_latency"]
        if "peak_working_set_bytes" in usage:
            row("Peak working set, panel after the latency run",
                "%.1f MiB" % (int(usage["peak_working_set_bytes"][0]) / 2**20))
    for arch in ("x86_64", "i686"):
        info = files.get(arch)
        if info is None:
            row("%s MidiDrawbarBox.exe" % arch, "not built")
            continue
        row("%s MidiDrawbarBox.exe" % arch, "%d KiB (%d KiB stripped), imports %s" % (
            info["bytes"] // 1024, info["stripped_bytes"] // 1024, ", ".join(info["imports"])),
            "one small file, Windows' DLLs only", "met" if info["windows_only"] else "missed")
    if soaked:
        run = soaked["run"]
        grown = soaked["growth"]
        counts = run.counts
        row("Soak: %s slider changes, %s presses, %.0f s" % (counts.get("changes", "?"), counts.get("presses", "?"),
                                                             soaked["seconds"]),
            "%d messages; %s" % (len(run.sent), soaked["difference"] or "none lost, doubled or out of order"),
            "nothing lost or doubled", "met" if soaked["difference"] is None and counts.get("unanswered") == 0
            else "FAILED")
        row("  soak: value displays at the end", "match" if soaked["displays_match"] else "DIFFER",
            "match", "met" if soaked["displays_match"] else "FAILED")
        row("  soak: handles after warm-up -> end", "%d -> %d" % (grown["handles_warm"], grown["handles_end"]),
            "no growth", "met" if grown["handles_growth"] <= 2 else "missed")
        row("  soak: private bytes (%s) after warm-up -> end" % run.private_source,
            "%.2f -> %.2f MiB" % (grown["private_warm"] / 2**20, grown["private_end"] / 2**20),
            "no growth", "met" if grown["private_growth"] <= 1 << 20 else "missed")
        if "peak_working_set_bytes" in soaked["usage"]:
            row("  soak: peak working set of the panel",
                "%.1f MiB" % (int(soaked["usage"]["peak_working_set_bytes"][0]) / 2**20))
        row("  soak: program ended", "exit code %d" % soaked["exit"], "0", "met" if soaked["exit"] == 0 else "FAILED")

    widths = [max(len(str(r[i])) for r in rows + [("Figure", "Measured", "Goal", "")]) for i in range(4)]
    line = "  ".join("%-" + str(w) + "s" for w in widths)
    print()
    print("Machine: " + machine())
    print()
    print((line % ("Figure", "Measured", "Goal", "")).rstrip())
    print(line % tuple("-" * w for w in widths))
    for r in rows:
        print((line % r).rstrip())


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--events", type=int, default=120000, help="slider changes in the loop benchmark")
    parser.add_argument("--latency", type=int, default=10000, help="slider changes timed in the running program")
    parser.add_argument("--idle-seconds", type=int, default=10, help="length of each CPU stretch")
    parser.add_argument("--soak-changes", type=int, default=100000)
    parser.add_argument("--soak-presses", type=int, default=10000)
    arguments = parser.parse_args()

    files = file_figures()
    print("loop benchmark: %d slider changes ..." % arguments.events, flush=True)
    loop = loop_figures(arguments.events)
    print("running program: CPU and latency ...", flush=True)
    running = running_program_figures(arguments.latency, arguments.idle_seconds)
    print("soak: %d slider changes, %d presses ..." % (arguments.soak_changes, arguments.soak_presses), flush=True)
    soaked = soak_figures(arguments.soak_changes, arguments.soak_presses) if arguments.soak_changes > 0 else None
    print_table(loop, running, soaked, files, arguments)
    failed = loop.get("exit") != 0 or (soaked is not None and (soaked["difference"] is not None or
                                                              not soaked["displays_match"]))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
