"""The benchmarks of MidiDrawbarBox under Wine, and the soak at full length.

Run them with tools/bench.sh, which installs what is missing, builds both targets with the benchmark
programs, runs the command once per target, each in a Wine session of its own (private X server,
fresh prefix; the 32-bit program under Wine's 32-bit loader, with its own stand-in driver and
helpers), and then gathers the targets' figures: a machine that cannot run 32-bit programs measures
x86_64 alone and says so. tools/bench.sh passes its arguments here; measure is the command when none
is given.

  tools/bench.sh [measure] [options]    every figure below but the start-up, printed as one table
                                        with a column per target (about 16 minutes on two cores)
  tools/bench.sh report [options]       every figure below, written with the commit, date, machine
                                        and Wine version to docs/benchmarks.md, the page the
                                        project's figures come from (about 18 minutes)
  tools/bench.sh startup DIR [options]  the start-up beside the programs of another build
                                        (DIR/x86_64/MidiDrawbarBox.exe, DIR/i686/..., for example
                                        the out/ of a clone of an earlier commit), started in turn
  tools/bench.sh latency DIR [options]  the latency beside another build's programs, started in
                                        turn in one session, with this build's driver and winlook

The figures:
  start-up  from starting the program to its device dialog with its controls, and from Return in
            the dialog to the whole panel (its 100 ms pause for the header included): wall time and
            the program's CPU time; winlook looks for each window once a millisecond
  latency   a slider change posted to the running program to the stand-in driver's
            midiOutShortMsg, waited for in the driver's log (what a user's hand meets), and again
            with the value display asked for its text meanwhile (a third busy process)
  loop pass one pass of the event loop over the real panel, in process, with the sender thread
            running (loop_bench.exe), and the parts of a pass on their own
  CPU       the program and the session's wineserver while the device dialog waits and the panel
            is idle
  files     the size of each .exe and the DLLs it imports; the panel's peak working set
  soak      slider changes and button presses from another process: nothing lost, doubled or out
            of order, the displays right, nothing growing
"""
import argparse
import json
import os
import platform
import statistics
import subprocess
import sys
import time

from tabulate import tabulate

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
# The tests' machinery: the driving library, the PE reader, and the soak's run and checks, which the
# benchmark runs at full length.
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

import drive  # noqa: E402
import pe  # noqa: E402
import soak  # noqa: E402

CABLE_US = 3 * 10 * 1e6 / 31250  # one Control Change on a 31,250-baud cable: 960 microseconds
PASS_GOAL_US = CABLE_US / 100
# DLLs that come with every Windows installation.
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "winmm.dll", "msvcrt.dll",
                "advapi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "oleacc.dll", "comdlg32.dll", "ntdll.dll"}


def percentiles(values, *shares):
    """The values' percentiles at the shares (per cent, to a tenth), interpolated between the two
    nearest values (statistics.quantiles, inclusive: the values are the whole of what was measured)."""
    if len(values) < 2:
        return [float(values[0]) if values else None for _ in shares]
    cuts = statistics.quantiles(values, n=1000, method="inclusive")
    return [cuts[round(share * 10) - 1] for share in shares]


# ---- the loop pass, in process ----

def loop_figures(events):
    exe = os.path.join(drive.BUILD, "tools", "bench", "loop_bench.exe")
    result = subprocess.run([drive.WINE, exe, str(events)], capture_output=True, text=True, timeout=3600)
    figures = {}
    for line in result.stdout.splitlines():
        name, _, value = line.partition(" ")
        figures[name] = value.strip()
    figures["exit"] = result.returncode
    return figures


# ---- latency, CPU and the soak: the running program ----

def process_usage(title):
    result = subprocess.run([drive.WINE, drive.WINLOOK, "usage", title], capture_output=True, text=True, timeout=120)
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
    """Posted slider change to the driver's log line, matched one to one in order. Quiet: winlook
    waits for each change by reading the driver's log rather than by asking the panel."""
    before = len(soak.short_messages(program))
    log = ["Z:" + program.log_path.replace("/", "\\")] if quiet else []
    result = subprocess.run([drive.WINE, drive.WINLOOK, "latency", str(count), *log], capture_output=True, text=True,
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
    median, p99, p999 = percentiles(latencies, 50, 99, 99.9)
    return {
        "count": len(stamps),
        "wrong": wrong + abs(len(logged) - len(stamps)) + (0 if result.returncode == 0 else 1),
        "early": sum(1 for value in latencies if value < 0),
        "median": median,
        "p99": p99,
        "p999": p999,
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


# ---- the files ----

def file_figures(arch):
    """The program's size and the DLLs it imports (the release build carries no symbols)."""
    path = drive.PROGRAM
    if not os.path.exists(path):
        return None
    imports = sorted(set(pe.imports(path)), key=str.lower)
    return {"bytes": os.path.getsize(path), "imports": imports,
            "windows_only": all(name.lower() in WINDOWS_DLLS for name in imports)}


# ---- start-up ----

def cpu_ms(pid):
    """CPU time of a Linux process, all its threads, in milliseconds (the scheduler's nanoseconds)."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/schedstat" % (pid, task)) as schedstat:
            total += int(schedstat.read().split()[0])
    return total / 1e6


STARTUP_SPANS = ("start to the device dialog, wall", "start to the device dialog, CPU",
                 "Return to the whole panel, wall", "Return to the whole panel, CPU")


def startup_once():
    """Wall and CPU milliseconds from starting the program to its device dialog with its three
    controls, and from Return in the dialog to the panel with all its controls (its 100 ms pause for
    the header included). Winlook in the session looks for each window once a millisecond."""

    def waiter(title, children):
        process = subprocess.Popen([drive.WINE, drive.WINLOOK, "appear", title, str(children)], stdout=subprocess.PIPE,
                                   text=True)
        if process.stdout.readline().strip() != "ready":
            raise RuntimeError("winlook appear did not start")
        return process

    def figures_until(process, start, program, cpu_before):
        found = process.stdout.readline().strip() == "found"
        figures = (time.monotonic() - start) * 1000, cpu_ms(program.process.pid) - cpu_before
        process.wait(timeout=60)
        if not found:
            raise RuntimeError("the window did not appear within 60 s")
        return figures

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


def startup_summary(runs):
    """Per span, the median, least and most milliseconds of the runs (each one startup_once's)."""
    return {span: {"median": statistics.median(values), "min": min(values), "max": max(values), "runs": len(values)}
            for span, values in zip(STARTUP_SPANS, zip(*runs))}


def latency_summary(runs):
    """The runs' medians (their median and range), their 99th percentiles' range, and what went wrong."""
    medians = [run["median"] for run in runs]
    return {"median": statistics.median(medians), "median_min": min(medians), "median_max": max(medians),
            "p99_min": min(run["p99"] for run in runs), "p99_max": max(run["p99"] for run in runs),
            "wrong": sum(run["wrong"] for run in runs)}


# ---- builds in turn ----

def in_turn(builds, runs, measure_once):
    """Measures the program of each build runs times, the builds in turn, each going first every
    other run. builds: (name, program) pairs; gives, per name, the list of what measure_once gave."""
    results = {name: [] for name, _ in builds}
    own = drive.PROGRAM
    try:
        for run in range(runs):
            for name, path in builds if run % 2 == 0 else builds[::-1]:
                drive.PROGRAM = path
                results[name].append(measure_once())
    finally:
        drive.PROGRAM = own
    return results


def latency_once(changes):
    program = drive.Program()
    try:
        drive.open_panel(program)
        return latency_figures(program, changes, quiet=True)
    finally:
        program.close()


def beside(arguments):
    """The start-up or the latency of this target's program beside the baseline's, printed."""
    baseline = os.path.join(arguments.baseline, arguments.target, "MidiDrawbarBox.exe")
    if not os.path.exists(baseline):
        print("%s: no baseline program %s" % (arguments.target, baseline), file=sys.stderr)
        return 1
    builds = [("this build", drive.PROGRAM), ("baseline", baseline)]
    if arguments.command == "startup":
        results = in_turn(builds, arguments.runs, startup_once)
        summaries = {name: startup_summary(runs) for name, runs in results.items()}
        print("Start-up of %s, %d runs each, in turn, on %s" % (arguments.target, arguments.runs, machine()))
        print("(CPU: the program's process alone, all its threads; the wineserver's is not in it)")
        for span in STARTUP_SPANS:
            for name, _ in builds:
                figures = summaries[name][span]
                print("  %-34s %-10s median %6.1f ms, min %6.1f, max %6.1f" % (
                    span, name, figures["median"], figures["min"], figures["max"]))
            print("  %-34s ratio of the medians, this build / baseline: %.3f" % (
                span, summaries["this build"][span]["median"] / summaries["baseline"][span]["median"]))
        wrong = 0
    else:
        results = in_turn(builds, arguments.runs, lambda: latency_once(arguments.changes))
        summaries = {name: latency_summary(runs) for name, runs in results.items()}
        print("Latency of %s, slider change posted -> driver (log read), %d runs of %d changes each, in turn, on %s"
              % (arguments.target, arguments.runs, arguments.changes, machine()))
        for name, _ in builds:
            figures = summaries[name]
            print("  %-10s median of the medians %5.0f us (%.0f to %.0f), p99 %.0f to %.0f us, %d wrong" % (
                name, figures["median"], figures["median_min"], figures["median_max"], figures["p99_min"],
                figures["p99_max"], figures["wrong"]))
        print("  ratio of the medians, this build / baseline: %.2f" % (
            summaries["this build"]["median"] / summaries["baseline"]["median"]))
        wrong = sum(figures["wrong"] for figures in summaries.values())
    if arguments.out:
        with open(arguments.out, "w") as out:
            json.dump({"command": arguments.command, "target": arguments.target, "results": results,
                       "summaries": summaries}, out)
    return 0 if wrong == 0 else 1


# ---- the machine and the build ----

def machine_facts():
    """What the figures were measured on and with, as the page names it."""
    model = "?"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/cpuinfo") as cpuinfo:
        hypervisor = any(line.startswith("flags") and " hypervisor" in line for line in cpuinfo)
    debian = "?"
    if os.path.exists("/etc/debian_version"):
        with open("/etc/debian_version") as version:
            debian = version.read().strip()
    wine = subprocess.run([drive.WINE, "--version"], capture_output=True, text=True).stdout.strip()
    return {"cpu": model, "cores": len(os.sched_getaffinity(0)), "hypervisor": hypervisor, "debian": debian,
            "linux": platform.release(), "wine": wine, "loader": drive.WINE}


def machine():
    facts = machine_facts()
    return "%d cores (nproc), %s, %s, Linux %s" % (facts["cores"], facts["cpu"], facts["wine"], facts["linux"])


def commit_facts():
    """The commit checked out, and whether the tree differs from it (this page itself left out)."""
    def git(*args):
        return subprocess.run(["git", "-C", ROOT, *args], capture_output=True, text=True).stdout.strip()
    changed = git("status", "--porcelain", "--", ".", ":(exclude)" + PAGE_IN_TREE)
    return {"commit": git("rev-parse", "HEAD") or "?", "subject": git("log", "-1", "--format=%s"),
            "changed_files": len(changed.splitlines())}


# ---- the figures, a section each ----

def us(value):
    return "%.1f" % float(value)


def share(value):
    return "%.2f %%" % (100 * value) if value is not None else "?"


SECTIONS = ("startup", "loop", "latency", "cpu", "files", "soak")


def target_sections(figures):
    """Per section, the (figure, measured, goal) rows of one target; measured ends with its verdict."""
    sections = {section: [] for section in SECTIONS}

    def row(section, name, measured, goal="", verdict=""):
        sections[section].append((name, measured + (" (%s)" % verdict if verdict else ""), goal))

    startup = figures.get("startup")
    if startup:
        for span in STARTUP_SPANS:
            spent = startup[span]
            row("startup", "%s (%d runs)" % (span[0].upper() + span[1:], spent["runs"]),
                "median %.1f ms, min %.1f, max %.1f" % (spent["median"], spent["min"], spent["max"]))

    loop = figures.get("loop") or {}

    def pass_row(name, key, goal=True):
        median = float(loop.get(key + ".median_us", "nan"))
        p99 = float(loop.get(key + ".p99_us", "nan"))
        measured = "median %s, p99 %s us (%.1f %% of the cable)" % (us(median), us(p99), 100 * median / CABLE_US)
        if goal:
            row("loop", name, measured, "< %.1f us" % PASS_GOAL_US, "met" if median < PASS_GOAL_US else "missed")
        else:
            row("loop", name, measured)

    if loop:
        pass_row("Loop pass, slider change (%s changes of %s passes timed)"
                 % (loop.get("loop.slider_pass.count", "?"), loop.get("loop.events", "?")), "loop.slider_pass")
        pass_row("Loop pass, button press", "loop.button_pass")
        pass_row("Loop pass, nothing changed", "loop.quiet_pass")
        pass_row("Loop pass for a repaint a change leaves", "loop.repaint_pass", goal=False)
        pass_row("One slider change, its repaints included", "loop.slider_change_with_repaints", goal=False)
        for part, name in (("part.wait_event", "  part: WaitEvent, one posted message"),
                           ("part.read_12_sliders", "  part: reading the 12 sliders"),
                           ("part.send_and_show_1_value", "  part: handing one value to the sender and showing it")):
            row("loop", name, "median %s, p99 %s us" % (us(loop.get(part + ".median_us", "nan")),
                                                         us(loop.get(part + ".p99_us", "nan"))))
        row("loop", "  loop bench's own check", "%s wrong or missing of %s (%s replaced while waiting)" % (
            loop.get("check.messages_wrong_or_missing", "?"), loop.get("check.messages_expected", "?"),
            loop.get("check.messages_replaced_while_waiting", "?")),
            "0", "met" if loop.get("exit") == 0 else "FAILED")
    running = figures.get("running")
    if running:
        for key, name in (("latency", "Latency, change posted to driver, log read (a hand)"),
                          ("latency_polled", "Latency, same, display polled meanwhile")):
            lat = running[key]
            if lat["median"] is None:
                row("latency", name, "no figures")
                continue
            row("latency", name + " (%d changes)" % lat["count"],
                "median %.0f, p99 %.0f, p99.9 %.0f, max %d us; %d wrong, %d early" % (
                    lat["median"], lat["p99"], lat["p999"], lat["max"], lat["wrong"], lat["early"]),
                "p99 < %.0f us (the cable)" % CABLE_US,
                "met" if lat["p99"] < CABLE_US and lat["wrong"] == 0 else "missed")
        for key, name, goal in (("panel_cpu", "CPU, idle panel, %d s" % figures["idle_seconds"], "0"),
                                ("dialog_cpu", "CPU, waiting device dialog, %d s" % figures["idle_seconds"], "")):
            process, server = running[key]
            row("cpu", name, "%s of one core (+ wineserver %s)" % (share(process), share(server)),
                "%s of one core" % goal if goal else "", ("met" if process < 0.005 else "missed") if goal else "")
        usage = running["usage_after_latency"]
        if "peak_working_set_bytes" in usage:
            row("files", "Peak working set, panel after the latency runs",
                "%.1f MiB" % (int(usage["peak_working_set_bytes"][0]) / 2**20))
    info = figures.get("file")
    if info is None:
        row("files", "MidiDrawbarBox.exe", "not built")
    else:
        row("files", "MidiDrawbarBox.exe", "{:,} bytes ({:.1f} KiB), imports {}".format(
            info["bytes"], info["bytes"] / 1024, ", ".join(info["imports"])),
            "at most 64 KiB, Windows' DLLs only",
            "met" if info["windows_only"] and info["bytes"] <= 64 * 1024 else "missed")
    soaked = figures.get("soak")
    if soaked:
        grown = soaked["growth"]
        counts = soaked["counts"]
        row("soak", "Soak: %s slider changes, %s presses" % (counts.get("changes", "?"), counts.get("presses", "?")),
            "%.0f s, %d messages; %s" % (soaked["seconds"], soaked["messages"],
                                         soaked["difference"] or "none lost, doubled or out of order"),
            "nothing lost or doubled", "met" if soaked["difference"] is None and counts.get("unanswered") == 0
            else "FAILED")
        row("soak", "  soak: value displays at the end", "match" if soaked["displays_match"] else "DIFFER",
            "match", "met" if soaked["displays_match"] else "FAILED")
        for name, what, tolerance in (("handles", "kernel handles", 2),
                                      ("user", "USER objects (%s)" % soaked["user_source"], 8),
                                      ("gdi", "GDI objects (%s)" % soaked["gdi_source"], 8)):
            if name + "_warm" not in grown:
                row("soak", "  soak: %s" % what, "no samples", "no growth", "FAILED")
                continue
            row("soak", "  soak: %s after warm-up -> end" % what,
                "%d -> %d" % (grown[name + "_warm"], grown[name + "_end"]), "no growth",
                "met" if 0 < grown[name + "_warm"] and grown[name + "_growth"] <= tolerance else "missed")
        if "private_warm" in grown:
            row("soak", "  soak: private bytes (%s) after warm-up -> end" % soaked["private_source"],
                "%.2f -> %.2f MiB" % (grown["private_warm"] / 2**20, grown["private_end"] / 2**20),
                "no growth", "met" if grown["private_growth"] <= 1 << 20 else "missed")
        if "peak_working_set_bytes" in soaked["usage"]:
            row("soak", "  soak: peak working set of the panel",
                "%.1f MiB" % (int(soaked["usage"]["peak_working_set_bytes"][0]) / 2**20))
        row("soak", "  soak: program ended", "exit code %d" % soaked["exit"], "0",
            "met" if soaked["exit"] == 0 else "FAILED")
    return sections


def side_by_side(targets, sections=SECTIONS):
    """One row per figure of the sections, a column per target and the goal: the header and the rows."""
    per_target = [target_sections(figures) for _, figures in targets]
    names, goals = [], {}
    for section in sections:
        for rows in per_target:
            for name, _, goal in rows[section]:
                if name not in goals:
                    names.append(name)
                    goals[name] = goal
    measured = [{name: value for section in sections for name, value, _ in rows[section]} for rows in per_target]
    header = ("Figure", *[name for name, _ in targets], "Goal")
    return header, [(name, *[m.get(name, "") for m in measured], goals[name]) for name in names]


def failed(figures):
    loop = figures.get("loop") or {}
    soaked = figures.get("soak")
    return loop.get("exit") != 0 or (soaked is not None and (soaked["difference"] is not None or
                                                             not soaked["displays_match"]))


# ---- measure and report: one target each ----

def measured_figures(arguments):
    figures = {"command": arguments.command, "target": arguments.target, "idle_seconds": arguments.idle_seconds,
               "file": file_figures(arguments.target)}
    started = time.monotonic()
    if arguments.command == "report":
        figures["facts"] = {"date": time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), **commit_facts(),
                            **machine_facts()}
        figures["options"] = {"runs": arguments.runs, "events": arguments.events, "latency": arguments.latency,
                              "idle_seconds": arguments.idle_seconds, "soak_changes": arguments.soak_changes,
                              "soak_presses": arguments.soak_presses}
        print("%s: start-up, %d runs ..." % (arguments.target, arguments.runs), flush=True)
        figures["startup"] = startup_summary(in_turn([("this build", drive.PROGRAM)], arguments.runs,
                                                     startup_once)["this build"])
    print("%s: loop benchmark, %d slider changes ..." % (arguments.target, arguments.events), flush=True)
    figures["loop"] = loop_figures(arguments.events)
    print("%s: running program, CPU and latency ..." % arguments.target, flush=True)
    figures["running"] = running_program_figures(arguments.latency, arguments.idle_seconds)
    if arguments.soak_changes > 0:
        print("%s: soak, %d slider changes, %d presses ..." % (arguments.target, arguments.soak_changes,
                                                               arguments.soak_presses), flush=True)
        figures["soak"] = soak_figures(arguments.soak_changes, arguments.soak_presses)
    figures["seconds"] = time.monotonic() - started
    with open(arguments.out, "w") as out:
        json.dump(figures, out)
    return 1 if failed(figures) else 0


# ---- gather: the targets together ----

PAGE_IN_TREE = "docs/benchmarks.md"

# What each section of the page measures, and how; %(name)s are the report's options.
EXPLAINED = {
    "startup": ("Start-up", """\
The program is started %(runs)d times, each in a fresh Wine process with the stand-in driver in the
system's folder: the time from starting it to its device dialog with its three controls, and from
Return in the dialog to the panel with all its controls (its 100 ms pause for the header included).
Winlook, in the session, looks for each window once a millisecond. Wall time, and the CPU time of the
program's process alone, all its threads (`/proc/PID/task/*/schedstat`; the wineserver's is not in
it). No baseline: `tools/bench.sh startup DIR` measures beside another build."""),
    "latency": ("Latency of a slider change", """\
`winlook`, another process, changes a slider of the running program while the panel is idle,
stamps the time and posts `WM_VSCROLL`; the figure is the stamp to the stand-in driver's log time of
`midiOutShortMsg`, over %(latency)d changes, taken twice. First winlook waits for each change by
reading the driver's log once a millisecond, which sends the program nothing: what a user's hand
meets. Then it waits by asking the value display for its text over and over: that reader is a third
busy process beside the program and the wineserver, and its figures show what it costs."""),
    "loop": ("One pass of the event loop", """\
`loop_bench.exe` builds the real panel in its own process with the program's manifest and starts the
sender thread after it, as the program does, with WinMM's `midiOutShortMsg` replaced by a recorder
on the sender thread, and times `RunLoopPass` with QueryPerformanceCounter: %(events)d slider changes
(each as the trackbar makes it: `TBM_SETPOS`, then `WM_VSCROLL` to the panel), a tenth as many
button presses (`BM_CLICK` to the button, which sends the panel `BN_CLICKED` itself) and as many
passes with nothing to do, the repaint passes they leave, then the parts of a pass on their own. The
goal is 1 %% of the 960 µs one Control Change takes on a 31,250-baud MIDI cable."""),
    "cpu": ("CPU while idle", """\
The program's Wine process and the session's wineserver, clock ticks from `/proc/PID/stat`, over
%(idle_seconds)d s with the device dialog waiting and %(idle_seconds)d s with the panel idle."""),
    "files": ("The file and its memory", """\
The size of `out/ARCH/MidiDrawbarBox.exe` as built (Release), the DLLs its import table names, and
the peak working set of the panel's whole Wine process after the latency runs (`winlook usage`)."""),
    "soak": ("Soak", """\
`winlook soak` posts %(soak_changes)d slider changes (about one in fifty a burst of several positions
before one event) and %(soak_presses)d button presses (`BM_CLICK`) to the running program. Presses
and changes are each checked as the sender's queue gives them out: every one once, in order, with
its bytes, except that a controller's newer value may take the place of an older one waiting, and of
a burst its positions in order ending with the last; nothing else may come. The value displays must
show where the sliders stand, and the process's kernel handles, USER objects, GDI objects and
private memory must not grow after the first quarter (under Wine, USER objects are counted as the
process's windows and GDI objects as the used entries of Wine's GDI handle table)."""),
}


def write_page(targets, missing, path):
    facts = targets[0][1]["facts"]
    options = targets[0][1]["options"]
    given = " ".join("--%s %d" % (name.replace("_", "-"), value) for name, value in options.items())
    changed = facts["changed_files"]
    lines = [
        "# Benchmarks",
        "",
        "Every figure on this page was written by one command, `tools/bench.sh report`, for the build of",
        "the commit below, on the machine below; run it again rather than edit the page",
        "(`tools/bench.sh --help` lists its options). This run's options: `%s`." % given,
        "",
        "- Commit: `%s` (%s), %s" % (facts["commit"], facts["subject"],
                                     "with uncommitted changes in %d file%s" % (changed, "" if changed == 1 else "s")
                                     if changed else "no uncommitted changes"),
        "- Date: %s; the measuring took %s" % (facts["date"], ", ".join(
            "%.1f min for %s" % (figures["seconds"] / 60, name) for name, figures in targets)),
        "- Machine: CPU \"%s\" (`/proc/cpuinfo`), %d cores (`nproc`)%s, Linux %s, Debian %s" % (
            facts["cpu"], facts["cores"], ", under a hypervisor" if facts["hypervisor"] else "", facts["linux"],
            facts["debian"]),
        "- Wine: %s; %s" % (facts["wine"], ", ".join(
            "%s under `%s`" % (name, figures["facts"]["loader"]) for name, figures in targets)),
    ]
    for name, reason in missing:
        lines.append("- %s: not measured: %s" % (name, reason))
    for section in SECTIONS:
        title, text = EXPLAINED[section]
        header, rows = side_by_side(targets, (section,))
        lines += ["", "## " + title, "", text % options, "",
                  tabulate(rows, headers=header, tablefmt="github", disable_numparse=True)]
    with open(path, "w") as page:
        page.write("\n".join(lines) + "\n")


def gather(arguments):
    targets, missing = [], []
    for path in arguments.files:
        with open(path) as source:
            figures = json.load(source)
        if "not_measured" in figures:
            missing.append((figures["target"], figures["not_measured"]))
        elif figures["command"] in ("measure", "report"):
            targets.append((figures["target"], figures))
    if not targets:
        return 0  # startup and latency have printed theirs
    if targets[0][1]["command"] == "report":
        write_page(targets, missing, arguments.page)
        print("wrote %s" % arguments.page)
    else:
        header, rows = side_by_side(targets)
        print()
        print("Machine: " + machine())
        print()
        print(tabulate(rows, headers=header, disable_numparse=True))
    return 1 if any(failed(figures) for _, figures in targets) else 0


def main():
    parser = argparse.ArgumentParser(prog="tools/bench.sh", description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    # tools/bench.sh checks its arguments with this before it builds.
    parser.add_argument("--arguments-only", action="store_true", help=argparse.SUPPRESS)
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")
    # Given by tools/bench.sh to each run, one per target.
    each = argparse.ArgumentParser(add_help=False)
    each.add_argument("--target", default="x86_64", help=argparse.SUPPRESS)
    each.add_argument("--out", help=argparse.SUPPRESS)
    measuring = argparse.ArgumentParser(add_help=False, parents=[each])
    measuring.add_argument("--events", type=int, default=120000,
                           help="slider changes in the loop benchmark (default %(default)s)")
    measuring.add_argument("--latency", type=int, default=10000,
                           help="slider changes timed in the running program, each way (default %(default)s)")
    measuring.add_argument("--idle-seconds", type=int, default=10,
                           help="length of each CPU stretch (default %(default)s)")
    measuring.add_argument("--soak-changes", type=int, default=100000,
                           help="slider changes of the soak, 0 for none (default %(default)s)")
    measuring.add_argument("--soak-presses", type=int, default=10000,
                           help="button presses of the soak (default %(default)s)")
    commands.add_parser("measure", parents=[measuring], help="every figure but the start-up, printed as one table")
    report = commands.add_parser("report", parents=[measuring],
                                 help="every figure, written to docs/benchmarks.md with the commit and machine")
    report.add_argument("--runs", type=int, default=20, help="start-ups timed (default %(default)s)")
    for name, runs, what in (("startup", 20, "the start-up"), ("latency", 6, "the latency")):
        command = commands.add_parser(name, parents=[each], help="%s beside another build's programs" % what)
        command.add_argument("baseline", metavar="DIR",
                             help="the other build's programs: DIR/x86_64/MidiDrawbarBox.exe, DIR/i686/...")
        command.add_argument("--runs", type=int, default=runs, help="runs of each build (default %(default)s)")
        if name == "latency":
            command.add_argument("--changes", type=int, default=3000,
                                 help="slider changes in each run (default %(default)s)")
    together = commands.add_parser("gather", help="(tools/bench.sh's last step) the targets' figures together")
    together.add_argument("files", nargs="+")
    together.add_argument("--page", default=os.path.join(ROOT, PAGE_IN_TREE), help="where report writes its page")
    arguments = parser.parse_args()
    if arguments.command in ("measure", "report") and not arguments.out and not arguments.arguments_only:
        parser.error("%s needs --out FILE, as tools/bench.sh gives it" % arguments.command)
    if arguments.arguments_only:
        return 0
    return {"measure": measured_figures, "report": measured_figures, "startup": beside, "latency": beside,
            "gather": gather}[arguments.command](arguments)


if __name__ == "__main__":
    sys.exit(main())
