"""Runs every benchmark and the full soak for one target in the current Wine session, or prints the
table of figures of several targets side by side.

  bench.py measure --out FILE [options]   measures the target of DBB_BUILD_DIR / DBB_PROGRAM / WINE
  bench.py table FILE...                  one column per target, from the files of `measure`
  bench.py latency --baseline EXE [--runs N] [--changes N]
                                          the latency of this target's program beside another build's,
                                          started in turn, and the ratio of their medians
  bench.py startup --baseline EXE [--runs N]
                                          start-up of this target's program beside another build's,
                                          started in turn, and the ratio of their medians

tools/bench.sh builds first and runs `measure` once per target, each in a Wine session of its own.

  1. one pass of the event loop over the real panel, in process (loop_bench.exe)
  2. the time from a slider change posted to the panel to the driver's midiOutShortMsg, taken twice:
     with the change waited for by reading the driver's log, which leaves the program alone (what a
     user's hand meets), and by asking the value display for its text over and over, which competes
     with the program for the two cores and the wineserver
  3. CPU used in a quiet stretch by the waiting device dialog and by the idle panel
  4. the size of each .exe and the DLLs it imports; the panel's peak working set
  5. the soak: slider changes and button presses, nothing lost or doubled, nothing growing
"""
import argparse
import json
import os
import platform
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))
# The soak's run and checks are the soak test's own; the benchmark runs the same at full length.
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

import drive  # noqa: E402
import pe_table  # noqa: E402
import soak  # noqa: E402

CABLE_US = 3 * 10 * 1e6 / 31250  # one Control Change on a 31,250-baud cable: 960 microseconds
PASS_GOAL_US = CABLE_US / 100
# DLLs that come with every Windows installation.
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "winmm.dll", "msvcrt.dll",
                "advapi32.dll", "shell32.dll", "ole32.dll", "comdlg32.dll", "ntdll.dll"}


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(len(ordered) * share // 100))]


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


def latency_figures(program, count, quiet):
    """Posted slider change to the driver's log line, matched one to one in order. Quiet: the poster
    waits for each change by reading the driver's log rather than by asking the panel."""
    before = len(soak.short_messages(program))
    poster = os.path.join(drive.BUILD, "tools", "bench", "poster.exe")
    log = ["Z:" + program.log_path.replace("/", "\\")] if quiet else []
    result = subprocess.run([drive.WINE, poster, "latency", str(count), *log], capture_output=True, text=True,
                            timeout=3600)
    stamps = []
    for line in result.stdout.splitlines():
        fields = line.split()
        if fields and fields[0] == "stamp":
            stamps.append((int(fields[1]), int(fields[2], 16)))
    drive.wait_for(lambda: len(soak.short_messages(program)) >= before + len(stamps),
                   what="%d changes logged" % len(stamps),
                   seen=lambda: "%d logged" % (len(soak.short_messages(program)) - before))
    logged = soak.short_messages(program)[before:]
    wrong = sum(1 for (_, wanted), (_, message) in zip(stamps, logged) if wanted != message)
    latencies = [t - stamp for (stamp, _), (t, _) in zip(stamps, logged)]
    return {
        "count": len(stamps),
        "wrong": wrong + abs(len(logged) - len(stamps)) + (0 if result.returncode == 0 else 1),
        "early": sum(1 for value in latencies if value < 0),
        "median": percentile(latencies, 50) if latencies else None,
        "p99": percentile(latencies, 99) if latencies else None,
        "p999": percentile(latencies, 99.9) if latencies else None,
        "max": max(latencies) if latencies else None,
    }


def running_program_figures(latency_count, idle_seconds):
    figures = {}
    program = drive.Program()
    try:
        program.wait_window(drive.DIALOG_TITLE)
        time.sleep(2)  # start-up settles
        figures["dialog_cpu"] = cpu_share(program.process.pid, idle_seconds)
        panel = drive.open_panel(program)
        time.sleep(2)
        figures["panel_cpu"] = cpu_share(program.process.pid, idle_seconds)
        figures["latency"] = latency_figures(program, latency_count, quiet=True)
        figures["latency_polled"] = latency_figures(program, latency_count, quiet=False)
        figures["usage_after_latency"] = process_usage(drive.PANEL_TITLE)
        drive.winlook("close", panel["hwnd"])
        figures["exit"] = program.wait_exit()
    finally:
        program.close()
    return figures


def soak_figures(changes, presses):
    program = drive.Program()
    try:
        panel = drive.open_panel(program)
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
        "counts": run.counts,
        "messages": len(run.sent),
        "private_source": run.private_source,
        "seconds": seconds,
        "difference": soak.first_difference(run.expected, run.sent) or run.errors.strip() or None,
        "displays_match": shown and len(run.displays) == 12,
        "growth": soak.growth(run.samples) if run.samples else {},
        "usage": usage,
        "user_source": usage.get("user_objects", ["", "?"])[1],
        "gdi_source": usage.get("gdi_objects", ["", "?"])[1],
        "exit": exit_code,
    }


# ---- 4. the files ----

def file_figures(arch):
    """The program's size and the DLLs it imports (the release build carries no symbols)."""
    path = drive.PROGRAM
    if not os.path.exists(path):
        return None
    with open(path, "rb") as program:
        imports = sorted(set(pe_table.imports(program.read())), key=str.lower)
    return {"bytes": os.path.getsize(path), "imports": imports,
            "windows_only": all(name.lower() in WINDOWS_DLLS for name in imports)}


# ---- start-up, beside another build ----

def cpu_ms(pid):
    """CPU time of a Linux process, all its threads, in milliseconds (the scheduler's nanoseconds)."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/schedstat" % (pid, task)) as schedstat:
            total += int(schedstat.read().split()[0])
    return total / 1e6


def startup_once(path):
    """Wall and CPU milliseconds from starting the program to its device dialog with its three
    controls, and from Return in the dialog to the panel with all its controls (its 100 ms pause for
    the header included). A poster in the session looks for each window once a millisecond."""
    poster = os.path.join(drive.BUILD, "tools", "bench", "poster.exe")

    def waiter(title, children):
        process = subprocess.Popen([drive.WINE, poster, "appear", title, str(children)], stdout=subprocess.PIPE,
                                   text=True)
        if process.stdout.readline().strip() != "ready":
            raise RuntimeError("poster appear did not start")
        return process

    def figures_until(process, start, program, cpu_before):
        found = process.stdout.readline().strip() == "found"
        figures = (time.monotonic() - start) * 1000, cpu_ms(program.process.pid) - cpu_before
        process.wait(timeout=60)
        if not found:
            raise RuntimeError("the window did not appear within 60 s")
        return figures

    drive.PROGRAM = path
    dialog = waiter(drive.DIALOG_TITLE, 3)
    start = time.monotonic()
    program = drive.Program()
    try:
        to_dialog = figures_until(dialog, start, program, 0)
        drive.wait_dialog(program)
        panel = waiter(drive.PANEL_TITLE, drive.PANEL_CONTROLS)
        cpu = cpu_ms(program.process.pid)
        start = time.monotonic()
        drive.xdotool("key", "Return")
        to_panel = figures_until(panel, start, program, cpu)
    finally:
        program.close()
    return to_dialog + to_panel


def startup(arguments):
    builds = [("this build", drive.PROGRAM), ("baseline", arguments.baseline)]
    names = ("start to the device dialog, wall", "start to the device dialog, CPU",
             "Return to the whole panel, wall", "Return to the whole panel, CPU")
    times = {name: [[] for _ in names] for name, _ in builds}
    for run in range(arguments.runs):
        for name, path in builds if run % 2 == 0 else builds[::-1]:  # each goes first every other run
            for figures, value in zip(times[name], startup_once(path)):
                figures.append(value)
    print("Start-up of %s, %d runs each, in turn, on %s" % (arguments.target, arguments.runs, machine()))
    print("(CPU: the program's process alone, all its threads; the wineserver's is not in it)")
    for index, span in enumerate(names):
        medians = {name: percentile(times[name][index], 50) for name, _ in builds}
        for name, _ in builds:
            values = times[name][index]
            print("  %-34s %-10s median %6.1f ms, min %6.1f, max %6.1f" % (
                span, name, medians[name], min(values), max(values)))
        print("  %-34s ratio of the medians, this build / baseline: %.3f" % (span, medians["this build"] /
                                                                           medians["baseline"]))
    return 0


def latency_beside(arguments):
    builds = [("this build", drive.PROGRAM), ("baseline", arguments.baseline)]
    runs = {name: [] for name, _ in builds}
    for run in range(arguments.runs):
        for name, path in builds if run % 2 == 0 else builds[::-1]:  # each goes first every other run
            drive.PROGRAM = path
            program = drive.Program()
            try:
                drive.open_panel(program)
                runs[name].append(latency_figures(program, arguments.changes, quiet=True))
            finally:
                program.close()
    print("Latency of %s, slider change posted -> driver (log read), %d runs of %d changes each, in turn, on %s"
          % (arguments.target, arguments.runs, arguments.changes, machine()))
    for name, _ in builds:
        figures = runs[name]
        print("  %-10s median of the medians %5d us (%d to %d), p99 %d to %d us, %d wrong" % (
            name, percentile([f["median"] for f in figures], 50), min(f["median"] for f in figures),
            max(f["median"] for f in figures), min(f["p99"] for f in figures), max(f["p99"] for f in figures),
            sum(f["wrong"] for f in figures)))
    ratio = percentile([f["median"] for f in runs["this build"]], 50) / percentile(
        [f["median"] for f in runs["baseline"]], 50)
    print("  ratio of the medians, this build / baseline: %.2f" % ratio)
    return 0 if all(f["wrong"] == 0 for figures in runs.values() for f in figures) else 1


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


def target_rows(figures):
    """(figure, measured, goal) rows of one target, in table order; measured ends with its verdict."""
    rows = []

    def row(name, measured, goal="", verdict=""):
        rows.append((name, measured + (" (%s)" % verdict if verdict else ""), goal))

    loop = figures.get("loop") or {}

    def pass_row(name, key, goal=True):
        median = float(loop.get(key + ".median_us", "nan"))
        p99 = float(loop.get(key + ".p99_us", "nan"))
        measured = "median %s, p99 %s us (%.1f %% of the cable)" % (us(median), us(p99), 100 * median / CABLE_US)
        if goal:
            row(name, measured, "< %.1f us" % PASS_GOAL_US, "met" if median < PASS_GOAL_US else "missed")
        else:
            row(name, measured)

    if loop:
        pass_row("Loop pass, slider change (%s changes of %s passes timed)"
                 % (loop.get("loop.slider_pass.count", "?"), loop.get("loop.events", "?")), "loop.slider_pass")
        pass_row("Loop pass, button press", "loop.button_pass")
        pass_row("Loop pass, nothing changed", "loop.quiet_pass")
        pass_row("Loop pass for a repaint a change leaves", "loop.repaint_pass", goal=False)
        pass_row("One slider change, its repaints included", "loop.slider_change_with_repaints", goal=False)
        for part, name in (("part.wait_event", "  part: WaitEvent, one posted message"),
                           ("part.read_12_sliders", "  part: reading the 12 sliders"),
                           ("part.send_and_show_1_value", "  part: sending and showing one value")):
            row(name, "median %s, p99 %s us" % (us(loop.get(part + ".median_us", "nan")),
                                                 us(loop.get(part + ".p99_us", "nan"))))
        row("  loop bench's own check", "%s wrong or missing of %s" % (
            loop.get("check.messages_wrong_or_missing", "?"), loop.get("check.messages_expected", "?")),
            "0", "met" if loop.get("exit") == 0 else "FAILED")
    running = figures.get("running")
    if running:
        for key, name in (("latency", "Latency, change posted to driver, log read (a hand)"),
                          ("latency_polled", "Latency, same, display polled meanwhile")):
            lat = running[key]
            if lat["median"] is None:
                row(name, "no figures")
                continue
            row(name + " (%d changes)" % lat["count"],
                "median %d, p99 %d, p99.9 %d, max %d us; %d wrong, %d early" % (
                    lat["median"], lat["p99"], lat["p999"], lat["max"], lat["wrong"], lat["early"]),
                "p99 < %.0f us (the cable)" % CABLE_US,
                "met" if lat["p99"] < CABLE_US and lat["wrong"] == 0 else "missed")
        for key, name, goal in (("panel_cpu", "CPU, idle panel, %d s" % figures["idle_seconds"], "0"),
                                ("dialog_cpu", "CPU, waiting device dialog, %d s" % figures["idle_seconds"], "")):
            process, server = running[key]
            row(name, "%s of one core (+ wineserver %s)" % (share(process), share(server)),
                "%s of one core" % goal if goal else "", ("met" if process < 0.005 else "missed") if goal else "")
        usage = running["usage_after_latency"]
        if "peak_working_set_bytes" in usage:
            row("Peak working set, panel after the latency runs",
                "%.1f MiB" % (int(usage["peak_working_set_bytes"][0]) / 2**20))
    info = figures.get("file")
    if info is None:
        row("MidiDrawbarBox.exe", "not built")
    else:
        row("MidiDrawbarBox.exe", "%d KiB, imports %s" % (info["bytes"] // 1024, ", ".join(info["imports"])),
            "one small file, Windows' DLLs only", "met" if info["windows_only"] else "missed")
    soaked = figures.get("soak")
    if soaked:
        grown = soaked["growth"]
        counts = soaked["counts"]
        row("Soak: %s slider changes, %s presses" % (counts.get("changes", "?"), counts.get("presses", "?")),
            "%.0f s, %d messages; %s" % (soaked["seconds"], soaked["messages"],
                                         soaked["difference"] or "none lost, doubled or out of order"),
            "nothing lost or doubled", "met" if soaked["difference"] is None and counts.get("unanswered") == 0
            else "FAILED")
        row("  soak: value displays at the end", "match" if soaked["displays_match"] else "DIFFER",
            "match", "met" if soaked["displays_match"] else "FAILED")
        for name, what, tolerance in (("handles", "kernel handles", 2),
                                      ("user", "USER objects (%s)" % soaked["user_source"], 8),
                                      ("gdi", "GDI objects (%s)" % soaked["gdi_source"], 8)):
            if name + "_warm" not in grown:
                row("  soak: %s" % what, "no samples", "no growth", "FAILED")
                continue
            row("  soak: %s after warm-up -> end" % what, "%d -> %d" % (grown[name + "_warm"], grown[name + "_end"]),
                "no growth", "met" if 0 < grown[name + "_warm"] and grown[name + "_growth"] <= tolerance else "missed")
        if "private_warm" in grown:
            row("  soak: private bytes (%s) after warm-up -> end" % soaked["private_source"],
                "%.2f -> %.2f MiB" % (grown["private_warm"] / 2**20, grown["private_end"] / 2**20),
                "no growth", "met" if grown["private_growth"] <= 1 << 20 else "missed")
        if "peak_working_set_bytes" in soaked["usage"]:
            row("  soak: peak working set of the panel",
                "%.1f MiB" % (int(soaked["usage"]["peak_working_set_bytes"][0]) / 2**20))
        row("  soak: program ended", "exit code %d" % soaked["exit"], "0", "met" if soaked["exit"] == 0 else "FAILED")
    return rows


def print_table(targets):
    """targets: (name, figures) pairs; one column of measurements per target."""
    columns = [target_rows(figures) for _, figures in targets]
    names = []
    goals = {}
    for rows in columns:
        for name, _, goal in rows:
            if name not in goals:
                names.append(name)
                goals[name] = goal
    measured = [{name: value for name, value, _ in rows} for rows in columns]
    header = ("Figure", *[name for name, _ in targets], "Goal")
    table = [(name, *[m.get(name, "") for m in measured], goals[name]) for name in names]
    widths = [max(len(str(r[i])) for r in table + [header]) for i in range(len(header))]
    line = "  ".join("%-" + str(w) + "s" for w in widths)
    print()
    print("Machine: " + machine())
    print()
    print((line % header).rstrip())
    print(line % tuple("-" * w for w in widths))
    for r in table:
        print((line % r).rstrip())


def failed(figures):
    loop = figures.get("loop") or {}
    soaked = figures.get("soak")
    return loop.get("exit") != 0 or (soaked is not None and (soaked["difference"] is not None or
                                                             not soaked["displays_match"]))


def measure(arguments):
    figures = {"target": arguments.target, "idle_seconds": arguments.idle_seconds,
               "file": file_figures(arguments.target)}
    print("%s: loop benchmark, %d slider changes ..." % (arguments.target, arguments.events), flush=True)
    figures["loop"] = loop_figures(arguments.events)
    print("%s: running program, CPU and latency ..." % arguments.target, flush=True)
    figures["running"] = running_program_figures(arguments.latency, arguments.idle_seconds)
    if arguments.soak_changes > 0:
        print("%s: soak, %d slider changes, %d presses ..." % (arguments.target, arguments.soak_changes,
                                                               arguments.soak_presses), flush=True)
        figures["soak"] = soak_figures(arguments.soak_changes, arguments.soak_presses)
    with open(arguments.out, "w") as out:
        json.dump(figures, out)
    return 1 if failed(figures) else 0


def table(arguments):
    targets = []
    for path in arguments.files:
        with open(path) as source:
            figures = json.load(source)
        targets.append((figures["target"], figures))
    print_table(targets)
    return 1 if any(failed(figures) for _, figures in targets) else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    run = commands.add_parser("measure", help="measure the target of this session")
    run.add_argument("--out", required=True, help="file for the figures")
    run.add_argument("--target", default="x86_64")
    run.add_argument("--events", type=int, default=120000, help="slider changes in the loop benchmark")
    run.add_argument("--latency", type=int, default=10000, help="slider changes timed in the running program")
    run.add_argument("--idle-seconds", type=int, default=10, help="length of each CPU stretch")
    run.add_argument("--soak-changes", type=int, default=100000)
    run.add_argument("--soak-presses", type=int, default=10000)
    show = commands.add_parser("table", help="print the figures of several targets side by side")
    show.add_argument("files", nargs="+")
    start = commands.add_parser("startup", help="start-up of this build beside another build's program")
    start.add_argument("--baseline", required=True, help="the other build's MidiDrawbarBox.exe")
    start.add_argument("--target", default="x86_64")
    start.add_argument("--runs", type=int, default=20)
    beside = commands.add_parser("latency", help="latency of this build beside another build's program")
    beside.add_argument("--baseline", required=True, help="the other build's MidiDrawbarBox.exe")
    beside.add_argument("--target", default="x86_64")
    beside.add_argument("--runs", type=int, default=6)
    beside.add_argument("--changes", type=int, default=3000)
    arguments = parser.parse_args()
    return {"measure": measure, "table": table, "startup": startup,
            "latency": latency_beside}[arguments.command](arguments)


if __name__ == "__main__":
    sys.exit(main())
