#!/usr/bin/env python3
"""Turns what tools/bench.sh measured into the table it prints and the report in
docs/benchmarks.md. Every figure here comes from the files it is given; nothing is
typed in. Figures are compared with their targets only to say which were met."""
import argparse
import collections
import json
import statistics

KIB = 1024
MIB = 1024 * 1024
STUB_TARGET = 160 * KIB
PRIVATE_TARGET = 16 * MIB
# ours/miniunz, by archive
EXTRACT_TARGETS = {"payload": 0.90, "large": 0.80}
INSTALL_TARGET = 1.10
STARTUP_TARGET = 1.20


def read_raw(path):
    values = collections.defaultdict(list)
    with open(path) as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition(" ")
            if key:
                values[key].append(value)
    return values


def numbers(raw, key):
    return [float(v) for v in raw.get(key, []) if v not in ("", None)]


def median(raw, key):
    values = numbers(raw, key)
    return statistics.median(values) if values else float("nan")


def first(raw, key, default="unknown"):
    return raw[key][0] if raw.get(key) else default


def ms(seconds):
    return "%.1f ms" % (seconds * 1000)


def mib(value):
    return "%.2f MiB" % (value / MIB)


def met(ok):
    return "yes" if ok else "**no**"


def seconds(value):
    return "%.1f s" % value


def spread_seconds(raw, key):
    values = numbers(raw, key)
    if not values:
        return "no runs"
    return "median %s, %d runs, %s to %s" % (seconds(statistics.median(values)), len(values),
                                              seconds(min(values)), seconds(max(values)))


def spread(raw, key):
    values = numbers(raw, key)
    if not values:
        return "no runs"
    return "%d runs, %s to %s" % (len(values), ms(min(values)), ms(max(values)))


def read_previous(path):
    """The Measured cell of each row of the table in the report being replaced, by its #."""
    rows = {}
    header = None
    try:
        lines = open(path).read().splitlines()
    except OSError:
        return rows
    for line in lines:
        if not line.startswith("|"):
            header = None if not line.strip() else header
            continue
        cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
        if header is None:
            if "#" in cells and "Measured" in cells:
                header = cells
            continue
        if set("".join(cells)) <= set("-: "):
            continue
        if len(cells) == len(header):
            rows[cells[header.index("#")]] = cells[header.index("Measured")]
    return rows


def set_ratios(raw, name):
    """ours/miniunz of each set of extraction rounds, from the set's medians."""
    ratios = []
    for key in sorted(k for k in raw if k.startswith("extract_set.") and
                      k.endswith(".%s.ours" % name)):
        number = key.split(".")[1]
        ours = median(raw, key)
        mini = median(raw, "extract_set.%s.%s.miniunz" % (number, name))
        ratios.append(ours / mini)
    return ratios


def read_hostile(results_path, cases_path):
    notes = {}
    with open(cases_path) as f:
        for line in f:
            parts = line.rstrip("\n").split("\t", 2)
            if len(parts) == 3:
                notes[int(parts[0])] = parts[2]
    cases = []
    with open(results_path) as f:
        for line in f:
            p = line.rstrip("\n").split("\t")
            if len(p) < 9:
                continue
            cases.append({"case": int(p[0]), "kinds": p[1], "status": p[2], "exit": int(p[3]),
                          "result": int(p[4]), "seconds": float(p[5]), "wrong_crc": int(p[6]),
                          "escaped": int(p[7]), "unexplained": int(p[8]),
                          "note": notes.get(int(p[0]), "")})
    return cases


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--raw", required=True)
    parser.add_argument("--footprint", required=True)
    parser.add_argument("--hostile", required=True)
    parser.add_argument("--hostile-cases", required=True)
    parser.add_argument("--hostile-log", required=True)
    parser.add_argument("--previous", default="",
                        help="the report this one replaces, for its figures")
    parser.add_argument("--doc", required=True)
    args = parser.parse_args()

    raw = read_raw(args.raw)
    previous = read_previous(args.previous) if args.previous else {}
    fp = json.load(open(args.footprint))
    hostile = read_hostile(args.hostile, args.hostile_cases)
    rows = []
    misses = []

    # 1. footprint
    stub_ok = fp["stub"] <= STUB_TARGET
    rows.append(("1", "Footprint of setup.exe",
                 "total %d B = payload %d B + pictures %d B + stub %d B (%.1f KiB)"
                 % (fp["total"], fp["payload"], fp["pictures"], fp["stub"], fp["stub"] / KIB),
                 "stub ≤ %d KiB" % (STUB_TARGET // KIB), met(stub_ok)))
    if not stub_ok:
        misses.append("footprint")

    # 2. extraction: the ratio is the median over the sets of rounds, each set's own
    # ratio coming from its medians.
    extraction = {}
    for label, name in (("2a", "payload"), ("2b", "large")):
        output = float(first(raw, "archive.%s.bytes" % name, "nan"))
        ours, mini, limit = (median(raw, "extract.%s.%s" % (name, p))
                             for p in ("ours", "miniunz", "limit"))
        ratios = set_ratios(raw, name) or [ours / mini]
        ratio = statistics.median(ratios)
        extraction[name] = (output, ours, mini, limit, ratios)
        ok = ratio <= EXTRACT_TARGETS[name]
        rows.append((label, "Extraction, %s (%s entries, %.1f MB out)"
                     % ("payload" if name == "payload" else "large archive",
                        first(raw, "archive.%s.entries" % name), output / 1e6),
                     "ours/miniunz %.2f (%d sets: min %.2f, max %.2f); ours/limit %.2f; "
                     "ours %.0f MB/s, miniunz %.0f MB/s, limit %.0f MB/s"
                     % (ratio, len(ratios), min(ratios), max(ratios), ours / limit,
                        output / ours / 1e6, output / mini / 1e6, output / limit / 1e6),
                     "ours/miniunz ≤ %.2f" % EXTRACT_TARGETS[name], met(ok)))
        if not ok:
            misses.append("extraction-" + name)

    # 3. installation: the extraction phase against what miniunz needs for the same work,
    # and the whole way to the completion question beside it.
    phase = median(raw, "install.extraction_phase")
    baseline = [s + m for s, m in zip(numbers(raw, "install.stage"), numbers(raw, "install.miniunz"))]
    base = statistics.median(baseline) if baseline else float("nan")
    install_ratio = phase / base
    install_ok = install_ratio <= INSTALL_TARGET
    rows.append(("3a", "Installation, extraction phase: worker start to the final event",
                 "%s vs %s (staging write %s + miniunz %s); ratio %.2f"
                 % (ms(phase), ms(base), ms(median(raw, "install.stage")),
                    ms(median(raw, "install.miniunz")), install_ratio),
                 "≤ 1.10", met(install_ok)))
    if not install_ok:
        misses.append("installation")
    rows.append(("3b", "Installation, worker start to completion question",
                 "%s (information: includes the desktop shortcut and Wine's message box)"
                 % ms(median(raw, "install.ours")), "none", "—"))

    # 4. start-up
    setup_start, bare_start = median(raw, "startup.setup"), median(raw, "startup.bare")
    startup_ratio = setup_start / bare_start
    startup_ok = startup_ratio <= STARTUP_TARGET
    rows.append(("4", "Start-up, process start to window shown",
                 "setup.exe %s vs bare window %s; ratio %.2f"
                 % (ms(setup_start), ms(bare_start), startup_ratio),
                 "≤ 1.20", met(startup_ok)))
    if not startup_ok:
        misses.append("startup")

    # 5. memory: the peak private bytes against the target, and what else is known
    def memory_row(label, figure, peak, besides, miss):
        ok = peak < PRIVATE_TARGET
        rows.append((label, figure, "peak private bytes %s (%d B), %s" % (mib(peak), peak, besides),
                     "private < 16 MiB", met(ok)))
        if not ok:
            misses.append(miss)

    peak_private = max(numbers(raw, "memory.peak_private") or [float("nan")])
    peak_ws = max(numbers(raw, "memory.peak_working_set") or [float("nan")])
    memory_row("5", "Memory of setup.exe during an installation", peak_private,
               "peak working set %s" % mib(peak_ws), "memory")
    extract_before = statistics.median(numbers(raw, "extract_memory.large.before") or
                                       [float("nan")])
    memory_row("5b", "Memory while extracting the large archive (bench_extract)",
               max(numbers(raw, "extract_memory.large.peak") or [float("nan")]),
               "%s before the extraction" % mib(extract_before), "extraction-memory")

    # 6. hostile archives
    crashes = sum(c["status"] == "crash" for c in hostile)
    hangs = sum(c["status"] == "hang" for c in hostile)
    odd = sum(c["status"] == "odd-result" for c in hostile)
    escaped = sum(c["escaped"] for c in hostile) + int(first(raw, "hostile.escapes_found_after", "0"))
    wrong = sum(c["wrong_crc"] for c in hostile)
    made = sum(1 for line in open(args.hostile_cases) if line.strip())
    not_run = made - len(hostile)
    hostile_ok = not (crashes or hangs or odd or escaped or wrong or not_run) and hostile
    rows.append(("6", "Hostile archives (%d made from the payload, %d run)" % (made, len(hostile)),
                 "crashes %d, hangs %d, other results %d, files outside the target %d, "
                 "files with a wrong CRC after 0 or 1 %d, not run %d"
                 % (crashes, hangs, odd, escaped, wrong, not_run),
                 "all 0", met(hostile_ok)))
    if not hostile_ok:
        misses.append("hostile")

    # 7. a large package
    package_mb = float(first(raw, "package.bytes", "nan")) / 1e6
    rows.append(("7", "Large package (%s entries, %.1f MB): `make package` and installation"
                 % (first(raw, "package.entries"), package_mb),
                 "build after one changed file %s (first build %s); installation %s; "
                 "its archive extracted by the component alone %s"
                 % (seconds(median(raw, "package.rebuild")), seconds(median(raw, "package.first")),
                    seconds(median(raw, "package_install.seconds")),
                    seconds(median(raw, "package_extract.ours"))),
                 "none", "—"))

    # The figures of the report replaced, beside today's: the installation's old row 3 is
    # today's 3b.
    previous_of = {"3b": "3", "3a": None}
    table = ["| # | Figure | Measured | Previous | Target | Met |", "|---|---|---|---|---|---|"]
    for row in rows:
        key = previous_of.get(row[0], row[0])
        before = previous.get(key, "—") if key else "—"
        table.append("| %s |" % " | ".join(row[:3] + (before,) + row[3:]))
    print("\n".join(table))

    if args.doc == "-":
        return

    doc = []
    add = doc.append
    add("# Benchmarks")
    add("")
    add("Made by `make bench` (`tools/bench.sh`, programs and generators in `bench/`). "
        "The figures below are the last run's, copied by the script; rerun it to refresh "
        "them. Benchmarks are not tests: nothing here fails a build.")
    add("")
    add("- Date: %s" % first(raw, "machine.date"))
    add("- Machine: %s CPUs (`nproc`), %s, %s memory, Linux %s"
        % (first(raw, "machine.nproc"), first(raw, "machine.cpu"), first(raw, "machine.memory"),
           first(raw, "machine.kernel")))
    add("- Wine: %s; build type %s; commit %s"
        % (first(raw, "machine.wine"), first(raw, "machine.build_type"),
           first(raw, "machine.commit")))
    add("- Load average (1, 5, 15 min) before the run: %s; after: %s"
        % (first(raw, "machine.load_before"), first(raw, "machine.load_after")))
    add("- `uptime` before the run: `%s`; after: `%s`"
        % (first(raw, "machine.uptime_before"), first(raw, "machine.uptime_after")))
    add("")
    add("## Table")
    add("")
    doc.extend(table)
    add("")
    if misses:
        add("Missed: %s. See the details below for where the time or the bytes go."
            % ", ".join(misses))
    else:
        add("Every target was met.")
    add("")

    add("## 1. Footprint")
    add("")
    add("The embedded blocks are counted with their 8-byte headers, and the program's icon "
        "(%d B of icon resources) with the pictures; the stub is the rest of the file (code, "
        "data, imports, the manifest and the version resource (%d B), PE headers and "
        "alignment)." % (fp["icons"], fp["version_resource"]))
    add("")
    static_total = float(first(raw, "footprint.static_zlib_total", "nan"))
    static_stub = static_total - fp["payload"] - fp["pictures"]
    add("setup.exe imports: %s. The same objects linked with zlib's static library, so that "
        "no zlib1.dll is needed: total %d B, stub %d B (%.1f KiB, %s the %d KiB target)."
        % (first(raw, "footprint.imports").strip(), static_total, static_stub, static_stub / KIB,
           "within" if static_stub <= STUB_TARGET else "over", STUB_TARGET // KIB))
    add("")
    add("Largest parts of the stub, from the linker map and symbol table of an unstripped "
        "link of the same objects (sizes of the sections that take room in the file):")
    add("")
    add("| Library | Bytes |")
    add("|---|---|")
    for name, size in fp["by_library"]:
        add("| %s | %d |" % (name, size))
    add("")
    add("| Object | Bytes |")
    add("|---|---|")
    for name, size in fp["by_object"]:
        add("| %s | %d |" % (name.replace("|", "\\|"), size))
    add("")
    add("| Symbol | Bytes |")
    add("|---|---|")
    for symbol in fp["by_symbol"]:
        name = symbol["name"]
        if len(name) > 90:
            name = name[:87] + "..."
        add("| `%s` | %d |" % (name.replace("|", "\\|"), symbol["bytes"]))
    add("")

    add("## 2. Extraction speed")
    add("")
    add("Ours extracts as the installer does, into a product folder that does not exist "
        "yet and that it makes itself; miniunz cannot make its folder, so it gets a fresh "
        "one made beforehand, outside its time (an existing folder is the reinstallation "
        "below). One round runs all three, in "
        "an order that turns around every round; medians. The figures are timed inside "
        "each program with QueryPerformanceCounter around the extraction (open to close), "
        "which leaves out Wine's process start; the wall clock around the whole process, "
        "from Linux, is given too. `ours` is the installer's ZIP component (`bench_extract`), "
        "`miniunz` is minizip's own extractor built from the same source against the same "
        "libraries, and `limit` inflates every entry into one memory buffer and writes "
        "nothing. MB are 10^6 bytes of extracted output.")
    add("")
    add("| Archive | Runs | ours | miniunz | limit | ours wall | miniunz wall | limit wall |")
    add("|---|---|---|---|---|---|---|---|")
    for name in ("payload", "large"):
        runs = len(numbers(raw, "extract.%s.ours" % name))
        cells = [ms(median(raw, "extract.%s.%s" % (name, p))) for p in ("ours", "miniunz", "limit")]
        cells += [ms(median(raw, "extract_wall.%s.%s" % (name, p)))
                  for p in ("ours", "miniunz", "limit")]
        add("| %s (%s bytes, %s entries) | %d | %s |"
            % (name, first(raw, "archive.%s.size" % name), first(raw, "archive.%s.entries" % name),
               runs, " | ".join(cells)))
    add("")
    add("The large archive is made by `bench/make_large_zip.py` (fixed seed) into the build "
        "folder: text, random and half-compressible binary files in nested folders, each "
        "folder with its own directory entry.")
    add("")
    add("Our component writes nothing under its final name until every entry is written: "
        "a file for a folder that exists goes beside its place under a name of its own, a "
        "folder that does not exist yet is made under a name of its own with everything "
        "below it, and at the end each of them moves into place in one rename. The moves "
        "(from the event after the last entry to the final 100, part of `ours` above) took "
        "%s on the payload and %s on the large archive (medians)."
        % (ms(median(raw, "extract_moves.payload.ours")),
           ms(median(raw, "extract_moves.large.ours"))))
    add("")
    reinstall_ours = median(raw, "reinstall.large.ours")
    reinstall_mini = median(raw, "reinstall.large.miniunz")
    add("Reinstallation over a copy of the large archive (%d runs each; miniunz overwrites "
        "in place, ours renames each old file aside, moves the new one in, and deletes the "
        "old ones once all are in): ours %s, of which the moves %s; miniunz %s; "
        "ours/miniunz %.2f."
        % (len(numbers(raw, "reinstall.large.ours")), ms(reinstall_ours),
           ms(median(raw, "reinstall_moves.large.ours")), ms(reinstall_mini),
           reinstall_ours / reinstall_mini))
    add("")
    peak = float(first(raw, "disk.large.peak_extra", "nan"))
    add("Disk space, worst case: during that reinstallation the drive's free space fell by "
        "at most %.1f MB below its level at the start, with the large archive's %.1f MB of "
        "files: old and new side by side until the swap, so an installation over an "
        "existing one needs room for both. At the end it stood %.1f MB below the start. "
        "(The free space is the Linux file system's, which other programs share.)"
        % (peak / 1e6, float(first(raw, "archive.large.bytes", "nan")) / 1e6,
           float(first(raw, "disk.large.kept", "nan")) / 1e6))
    add("")

    add("## 3. Installation time")
    add("")
    add("`bench_setup_driver install` starts setup.exe, clicks the install button, confirms "
        "the notice and times from the worker's start (its first step text on the window, "
        "watched without sleeping) to the moment the completion question is visible, then "
        "answers No. The notice's closing is no start mark under Wine on a display without "
        "a window manager: its MessageBoxA returns a fixed time after the box is gone "
        "(median here: %s from the driver's press to the worker's first step), which is "
        "Wine's X11 driver waiting for a window-manager reply, not setup.exe."
        % ms(median(raw, "breakdown.notice_to_worker")))
    add("The reference is the sum, per round, of writing the payload to a file in one call "
        "(`bench_stage_write`) and extracting it with miniunz, both timed in-process.")
    add("")
    add("- setup.exe: %s" % spread(raw, "install.ours"))
    add("- staging write: %s; miniunz: %s" % (spread(raw, "install.stage"),
                                              spread(raw, "install.miniunz")))
    add("")
    add("Where the time goes (medians of the same %d runs; the extraction ends when the "
        "product folder, made under a name of ours, appears under its own name, which is "
        "the last step before the final event):" % len(numbers(raw, "breakdown.total")))
    add("")
    add("| Phase | Median |")
    add("|---|---|")
    for key, label in (("staging", "staging: first step text to \"2.开始解压..\""),
                       ("extraction", "extraction, with the progress events: to the product folder in place"),
                       ("picture_and_shortcut", "completion picture and desktop shortcut: to \"3.创建快捷方式..\""),
                       ("question_box", "question box: to the box visible"),
                       ("total", "total")):
        add("| %s | %s |" % (label, ms(median(raw, "breakdown." + key))))
    add("")
    add("For comparison, the component alone extracts the payload in %s (section 2)."
        % ms(median(raw, "extract.payload.ours")))
    add("")

    add("## 4. Start-up")
    add("")
    add("`bench_setup_driver startup` starts each program with CreateProcess and polls every "
        "millisecond for a visible top-level window of the new process; one untimed start "
        "of each comes first, then all of them take turns. `bare_window.exe` "
        "(`bench/bare_window.c`) registers a class and shows one empty window.")
    add("")
    add("- setup.exe: %s" % spread(raw, "startup.setup"))
    add("- bare window: %s" % spread(raw, "startup.bare"))
    add("")
    add("Profile: the same rounds also start `bench/startup_step.c` built in five steps, each "
        "adding to the one before one thing setup.exe does before its window shows, and "
        "setup.exe linked with sections aligned to 4 KiB in the file (`bench_setup_aligned`, "
        "otherwise the same objects). A difference smaller than the scatter of the starts "
        "(the ranges above) says nothing on its own.")
    add("")
    add("| Program | Median | Versus the line above | Private bytes when idle |")
    add("|---|---|---|---|")
    ladder = [("bare", "bare window"),
              ("step1", "+ the DLLs setup.exe imports (comctl32, ole32, oleaut32, shell32)"),
              ("step2", "+ OleInitialize"),
              ("step3", "+ InitCommonControlsEx (progress bar class)"),
              ("step4", "+ decoding the three start-up pictures"),
              ("step5", "+ the payload in read-only data"),
              ("setup", "setup.exe"),
              ("aligned", "setup.exe, 4 KiB file alignment")]
    previous = None
    for key, label in ladder:
        value = median(raw, "startup." + key)
        delta = "" if previous is None or key == "aligned" else "%+.1f ms" % ((value - previous) * 1000)
        if key == "aligned":
            delta = "%+.1f ms against setup.exe" % ((value - median(raw, "startup.setup")) * 1000)
        add("| %s | %s | %s | %s |" % (label, ms(value), delta,
                                       mib(median(raw, "startup_memory.%s.private" % key))))
        previous = value
    add("")

    add("## 5. Memory")
    add("")
    add("Sampled by the installation driver with GetProcessMemoryInfo while setup.exe "
        "installs, and once more with the completion question up. Under Wine, private bytes "
        "are the process's anonymous resident memory plus swap (Wine reads /proc; it gives "
        "PrivateUsage only for the calling process, so PagefileUsage, the same figure on "
        "Windows, is used), and the working set is the resident set, shared Wine libraries "
        "included.")
    add("")
    add("| | Private bytes | Working set |")
    add("|---|---|---|")
    add("| setup.exe idle, before the click (median) | %s | %s |"
        % (mib(median(raw, "memory.idle_private")), mib(median(raw, "memory.idle_working_set"))))
    add("| setup.exe at the question (median) | %s | %s |"
        % (mib(median(raw, "memory.question_private")),
           mib(median(raw, "memory.question_working_set"))))
    add("| setup.exe peak over %d installations | %s | %s |"
        % (len(numbers(raw, "memory.peak_private")), mib(peak_private), mib(peak_ws)))
    add("| bare window, idle (Wine's own share) | %s | %s |"
        % (mib(median(raw, "startup_memory.bare.private")),
           mib(median(raw, "startup_memory.bare.working_set"))))
    add("| setup.exe with 4 KiB file alignment, idle | %s | %s |"
        % (mib(median(raw, "startup_memory.aligned.private")),
           mib(median(raw, "startup_memory.aligned.working_set"))))
    add("")

    add("## 6. Hostile archives")
    add("")
    add("`bench/make_hostile.py` derives each case from the payload with a generator seeded "
        "by the case number; `bench_hostile` extracts each in a child process of its own "
        "into a fresh folder, under a time bound, and then checks: the child's end (a fault "
        "ends it with the exception code), the result, every file left in the target against "
        "the CRCs the archive's headers declare for its name, and the folders around the "
        "target, the drive roots and the user folder for anything new. Names that try to "
        "leave the target carry a marker, and the whole Wine drive, the build folder and "
        "/tmp are searched for it afterwards.")
    add("")
    by_kind = collections.defaultdict(collections.Counter)
    for c in hostile:
        for kind in c["kinds"].split("+"):
            outcome = c["status"] if c["status"] != "ok" else "result %d" % c["result"]
            by_kind[kind][outcome] += 1
    outcomes = sorted({o for counter in by_kind.values() for o in counter})
    add("| Mutation | Cases | %s |" % " | ".join(outcomes))
    add("|---|---|%s" % ("---|" * len(outcomes)))
    for kind in sorted(by_kind):
        counter = by_kind[kind]
        add("| %s | %d | %s |" % (kind, sum(counter.values()),
                                  " | ".join(str(counter.get(o, 0)) for o in outcomes)))
    add("")
    minus_one = sum(c["status"] == "ok" and c["result"] == -1 for c in hostile)
    unexplained = [c for c in hostile if c["unexplained"]]
    add("- Results of -1 (archive missing), which no case should give: %d" % minus_one)
    add("- Longest case: %.2f s; median %.3f s (bound: child start to end)"
        % (max(c["seconds"] for c in hostile) if hostile else 0,
           statistics.median(c["seconds"] for c in hostile) if hostile else 0))
    add("- Files whose content is an entry's but whose name is no entry's (the system "
        "changed a malformed name), not counted above: %d, in %d cases"
        % (sum(c["unexplained"] for c in unexplained), len(unexplained)))
    for c in unexplained[:5]:
        add("  - case %d: %s" % (c["case"], c["note"].replace("|", "\\|")))
    bad = [c for c in hostile if c["status"] != "ok" or c["wrong_crc"] or c["escaped"]]
    if bad:
        add("")
        add("Cases that missed:")
        add("")
        for c in bad[:30]:
            add("- case %d (%s): %s, exit code 0x%x, result %d, wrong CRC %d, escaped %d"
                % (c["case"], c["note"].replace("|", "\\|"), c["status"], c["exit"], c["result"],
                   c["wrong_crc"], c["escaped"]))
    add("")

    add("## 7. A large package")
    add("")
    add("`make package` (`tools/package.sh`) for catalogue entry %s with the folder "
        "`bench/make_large_zip.py --folder` writes (the large archive's entries as %s files "
        "in nested folders, %.1f MB) and the sample product at its top: %s entries, an "
        "archive of %s bytes, a setup.exe of %s bytes. The first build is made in a fresh "
        "build folder and compiles the program too; each rebuild follows a change to one "
        "file of the payload, which packs the folder again, assembles the archive into the "
        "program, links it and copies the result, as when a new release is packaged. Wall "
        "clock from Linux, medians; the phases are Ninja's own record of its commands."
        % (first(raw, "package.product_entry"), first(raw, "package.files"), package_mb,
           first(raw, "package.entries"), first(raw, "package.archive_size"),
           first(raw, "package.size")))
    add("")
    add("| | Whole step | Packing | Assembling | Linking |")
    add("|---|---|---|---|---|")
    for key, label in (("first", "first build"), ("rebuild", "rebuild, one file changed")):
        add("| %s (%d) | %s | %s | %s | %s |"
            % (label, len(numbers(raw, "package." + key)), seconds(median(raw, "package." + key)),
               *(seconds(median(raw, "package_phase.%s.%s" % (key, phase)))
                 for phase in ("pack", "assemble", "link"))))
    add("")
    add("Installations of that setup.exe, timed as in section 3 (worker start to the "
        "completion question): %s; files installed %s (exit codes %s); peak private bytes "
        "%s. Wine copies an image whose sections are not aligned to its pages into private "
        "memory, so under Wine the peak includes the whole archive; Windows maps the image "
        "from the file instead. The component alone extracts the same archive in %s "
        "(%s runs). In the first build the packer shares the CPUs with the compiler."
        % (spread_seconds(raw, "package_install.seconds"),
           " ".join(sorted(set(raw.get("package_install.files", []))) or ["none"]),
           " ".join(sorted(set(raw.get("package_install.exit", []))) or ["none"]),
           mib(max(numbers(raw, "package_install.peak_private") or [float("nan")])),
           seconds(median(raw, "package_extract.ours")),
           len(numbers(raw, "package_extract.ours"))))
    add("")
    add("Where an installation's time goes (one run that also asks the progress bar for its "
        "position, as in section 3):")
    add("")
    add("| Phase | Time |")
    add("|---|---|")
    for key, label in (("staging", "staging: first step text to \"2.开始解压..\""),
                       ("extraction", "extraction, with the progress events: to the bar at its end"),
                       ("picture_and_shortcut", "completion picture and desktop shortcut"),
                       ("total", "total, to the question box")):
        add("| %s | %s |" % (label, ms(median(raw, "package_breakdown." + key))))
    add("")

    with open(args.doc, "w") as f:
        f.write("\n".join(doc))
    print("\nwritten to %s" % args.doc)


if __name__ == "__main__":
    main()
