#!/bin/bash
# `make bench`: runs the benchmarks on a build made with -DINSTALLER_BENCH=ON, prints one
# table with each figure and its target, and writes it with the details to
# docs/benchmarks.md. Benchmarks only: nothing here is a test, and nothing fails on a
# figure; the exit code is non-zero only when a benchmark could not be run at all.
#
# usage: tools/bench.sh <build dir> (it runs itself under tools/test-env.sh when needed)
#
# Knobs (environment): BENCH_RUNS (timed runs per figure, at least 5; default 7),
# BENCH_PAYLOAD_RUNS (runs on the small payload, default 15), BENCH_EXTRACT_SETS (how
# many times the extraction rounds are run, each time giving each ratio once, at least
# 5; default 5), BENCH_HOSTILE_CASES
# (default 1000), BENCH_CASE_SECONDS (time bound per hostile case, default 20),
# BENCH_PACKAGE_RUNS (rebuilds and installations of the large package, default 3),
# BENCH_DOC (where the report goes, default docs/benchmarks.md; "-" for none).
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 <build dir>" >&2; exit 2; }
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
PATHS="$BUILD/bench/bench-paths.sh"
[ -f "$PATHS" ] || { echo "bench: $PATHS missing: configure with -DINSTALLER_BENCH=ON and build" >&2; exit 1; }
# shellcheck source=/dev/null
. "$PATHS"
for f in "$SETUP_EXE" "$SETUP_STATIC_ZLIB" "$SETUP_ALIGNED" "$LARGE_ZIP" "$BENCH_EXTRACT" "$BENCH_MINIUNZ" "$BENCH_INFLATE" \
         "$BENCH_STAGE_WRITE" "$BARE_WINDOW" "$SETUP_DRIVER" "$HOSTILE_RUNNER" "$SETUP_MAP" "$LARGE_PAYLOAD.stamp"; do
    [ -f "$f" ] || { echo "bench: $f not built" >&2; exit 1; }
done
# A Wine prefix of the benchmarks' own: nothing else runs in it, and the hostile archives
# write nowhere that anything else uses. tools/test-env.sh gives it its server and display.
export WINEPREFIX="$BUILD/wine/bench"
# shellcheck source=tools/wine-env.sh
. "$ROOT/tools/wine-env.sh"
wine_env_in_session || exec "$ROOT/tools/test-env.sh" "$0" "$@"

RUNS=${BENCH_RUNS:-7}
[ "$RUNS" -ge 5 ] || RUNS=5
PAYLOAD_RUNS=${BENCH_PAYLOAD_RUNS:-15}
[ "$PAYLOAD_RUNS" -ge 5 ] || PAYLOAD_RUNS=5
EXTRACT_SETS=${BENCH_EXTRACT_SETS:-5}
[ "$EXTRACT_SETS" -ge 5 ] || EXTRACT_SETS=5
PACKAGE_RUNS=${BENCH_PACKAGE_RUNS:-3}
[ "$PACKAGE_RUNS" -ge 1 ] || PACKAGE_RUNS=1
HOSTILE_CASES=${BENCH_HOSTILE_CASES:-1000}
CASE_SECONDS=${BENCH_CASE_SECONDS:-20}
DOC=${BENCH_DOC:-$ROOT/docs/benchmarks.md}
BATCH=100
HOSTILE_SEED=6

WORK="$BUILD/bench-work"
RAW="$WORK/raw.txt"
rm -rf "$WORK"
mkdir -p "$WORK"
: > "$RAW"

win() { local p="Z:$1"; echo "${p//\//\\}"; }
# Runs a Windows program; its text-mode output ends lines with CR LF. Callers judge the
# output, not the exit code.
run() { "$ROOT/tools/wine-run.sh" "$@" | tr -d '\r' || true; }
record() { echo "$*" >> "$RAW"; }
minus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", a - b }'; }
say() { echo "bench: $*" >&2; }
# The value of "key=value" or "key seconds=value" in a program's output.
field() { sed -n "s/^\(.* \)\?$1=\([^ ]*\).*/\2/p" | head -n 1; }
# Wall-clock seconds of a command, from the Linux side (Wine's process start included).
wall() {
    local start end
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    echo "wall=$(minus "$end" "$start")"
}

record "machine.load_before $(cut -d ' ' -f 1-3 /proc/loadavg)"
record "machine.uptime_before $(uptime)"
if awk -v n="$(nproc)" '{ exit !($1 > n / 2) }' /proc/loadavg; then
    say "the machine is busy (load $(cut -d ' ' -f 1 /proc/loadavg) on $(nproc) CPUs): timings will scatter"
fi
record "machine.date $(date -u '+%Y-%m-%d %H:%M UTC')"
record "machine.nproc $(nproc)"
record "machine.cpu $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
record "machine.memory $(awk '/^MemTotal:/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
record "machine.wine $(wine --version 2>/dev/null)"
record "machine.kernel $(uname -r)"
# The report this run replaces does not count as a change to what is measured.
record "machine.commit $(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)$(git -C "$ROOT" diff --quiet HEAD -- . ':!docs/benchmarks.md' 2>/dev/null || echo ' (with uncommitted changes)')"
record "machine.build_type $(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$BUILD/CMakeCache.txt")"

# ---- 1. footprint ----------------------------------------------------------------------
say "1/7 footprint"
python3 "$ROOT/bench/footprint.py" --exe "$SETUP_EXE" --embedded-s "$EMBEDDED_S" \
    --map "$SETUP_MAP" --unstripped "$SETUP_UNSTRIPPED" --nm "$NM" > "$WORK/footprint.json"
# The same objects with zlib linked in, as a setup.exe that needs no zlib1.dll would be.
record "footprint.static_zlib_total $(stat -c %s "$SETUP_STATIC_ZLIB")"
record "footprint.imports $("$OBJDUMP" -p "$SETUP_EXE" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')"

# ---- 2. extraction speed ---------------------------------------------------------------
# One round runs each program once, in an order that turns around every round. Ours
# extracts as the installer does, into a product folder that does not exist yet and that
# it makes itself; miniunz cannot make its folder, so the script makes it beforehand,
# outside miniunz's time.
OUT="$WORK/out"
extract_round() {
    local name=$1 archive=$2 round=$3 program order
    if [ $((round % 2)) -eq 0 ]; then order="ours miniunz limit"; else order="limit miniunz ours"; fi
    for program in $order; do
        rm -rf "$OUT"
        mkdir -p "$OUT"
        sync
        local output
        case $program in
        ours) output=$(wall run "$BENCH_EXTRACT" "$(win "$archive")" "$(win "$OUT/product")") ;;
        miniunz) output=$(wall run "$BENCH_MINIUNZ" -o "$(win "$archive")" -d "$(win "$OUT")") ;;
        limit) output=$(wall run "$BENCH_INFLATE" "$(win "$archive")") ;;
        esac
        local seconds result
        seconds=$(echo "$output" | grep -a "^$program seconds=" | field seconds)
        result=$(echo "$output" | grep -a "^$program seconds=" | field result)
        # miniunz returns 0 on success; ours and the limit print 1.
        if [ -z "$seconds" ] || { [ "$program" = miniunz ] && [ "$result" != 0 ]; } ||
            { [ "$program" != miniunz ] && [ "$result" != 1 ]; }; then
            echo "$output" | tail -n 5 >&2
            say "$program failed on $archive"
            exit 1
        fi
        record "extract.$name.$program $seconds"
        record "extract_set.$SET.$name.$program $seconds"
        record "extract_wall.$name.$program $(echo "$output" | field wall)"
        if [ "$program" = ours ]; then
            record "extract_moves.$name.ours $(echo "$output" | grep -a '^moves ' | field seconds)"
        fi
    done
}
# A reinstallation: each program extracts over a copy of the archive that miniunz made
# beforehand. Ours writes every file beside the old one and then swaps them; miniunz
# overwrites in place.
reinstall_round() {
    local archive=$1 round=$2 program order
    if [ $((round % 2)) -eq 0 ]; then order="ours miniunz"; else order="miniunz ours"; fi
    for program in $order; do
        rm -rf "$OUT"
        mkdir -p "$OUT"
        run "$BENCH_MINIUNZ" -o "$(win "$archive")" -d "$(win "$OUT")" > /dev/null
        sync
        local output seconds
        case $program in
        ours) output=$(run "$BENCH_EXTRACT" "$(win "$archive")" "$(win "$OUT")") ;;
        miniunz) output=$(run "$BENCH_MINIUNZ" -o "$(win "$archive")" -d "$(win "$OUT")") ;;
        esac
        seconds=$(echo "$output" | grep -a "^$program seconds=" | field seconds)
        if [ -z "$seconds" ]; then
            echo "$output" | tail -n 5 >&2
            say "$program failed to reinstall $archive"
            exit 1
        fi
        record "reinstall.large.$program $seconds"
        if [ "$program" = ours ]; then
            record "reinstall_moves.large.ours $(echo "$output" | grep -a '^moves ' | field seconds)"
        fi
    done
}
# Our output must be what miniunz makes of the same archive, or the race means nothing.
check_same_output() {
    local archive=$1
    rm -rf "$OUT" "$WORK/out-miniunz"
    mkdir -p "$OUT" "$WORK/out-miniunz"
    run "$BENCH_EXTRACT" "$(win "$archive")" "$(win "$OUT")" > /dev/null
    run "$BENCH_MINIUNZ" -o "$(win "$archive")" -d "$(win "$WORK/out-miniunz")" > /dev/null
    if ! diff -r -q "$OUT" "$WORK/out-miniunz" > /dev/null; then
        say "our component and miniunz disagree on $archive"
        exit 1
    fi
    rm -rf "$WORK/out-miniunz"
}
check_same_output "$PAYLOAD_ZIP"
check_same_output "$LARGE_ZIP"
# One untimed round first: the first Wine start of each program pays for loading it.
SET=0
extract_round warmup "$PAYLOAD_ZIP" 0
sed -i '/\.warmup\./d' "$RAW"
# Each set gives each ratio once; their spread shows how far one run of this benchmark
# can be trusted on a machine whose load changes.
for SET in $(seq 1 "$EXTRACT_SETS"); do
    say "2/7 extraction, set $SET of $EXTRACT_SETS: payload ($PAYLOAD_RUNS rounds), large archive ($RUNS rounds)"
    record "extract_set.$SET.uptime $(uptime)"
    for round in $(seq 1 "$PAYLOAD_RUNS"); do extract_round payload "$PAYLOAD_ZIP" "$round"; done
    for round in $(seq 1 "$RUNS"); do extract_round large "$LARGE_ZIP" "$round"; done
done
# Memory: the extracting process's private bytes, sampled while it extracts.
for name in payload large; do
    archive=$PAYLOAD_ZIP
    [ $name = large ] && archive=$LARGE_ZIP
    for round in 1 2 3; do
        rm -rf "$OUT"
        mkdir -p "$OUT"
        output=$(run "$BENCH_EXTRACT" "$(win "$archive")" "$(win "$OUT")" --memory)
        record "extract_memory.$name.before $(echo "$output" | grep -a '^memory ' | field before)"
        record "extract_memory.$name.peak $(echo "$output" | grep -a '^memory ' | field peak)"
    done
done
say "2/6 extraction: reinstalling the large archive over its copy ($RUNS rounds)"
for round in $(seq 1 "$RUNS"); do reinstall_round "$LARGE_ZIP" "$round"; done
# The worst case for the disk: old and new files side by side until the swap. The free
# space is the Linux file system's, which other programs may use at the same time.
rm -rf "$OUT"
mkdir -p "$OUT"
run "$BENCH_MINIUNZ" -o "$(win "$LARGE_ZIP")" -d "$(win "$OUT")" > /dev/null
sync
output=$(run "$BENCH_EXTRACT" "$(win "$LARGE_ZIP")" "$(win "$OUT")" --disk)
record "disk.large.peak_extra $(echo "$output" | grep -a '^disk ' | field peak_extra)"
record "disk.large.kept $(echo "$output" | grep -a '^disk ' | field kept)"
rm -rf "$OUT"
for name in payload large; do
    archive=$PAYLOAD_ZIP
    [ $name = large ] && archive=$LARGE_ZIP
    record "archive.$name.bytes $(python3 -c 'import sys, zipfile; print(sum(i.file_size for i in zipfile.ZipFile(sys.argv[1]).infolist()))' "$archive")"
    record "archive.$name.entries $(python3 -c 'import sys, zipfile; print(len(zipfile.ZipFile(sys.argv[1]).infolist()))' "$archive")"
    record "archive.$name.size $(stat -c %s "$archive")"
done

# ---- 3 and 5. installation time and memory ---------------------------------------------
INSTALL_TEMP='C:\bench-install-temp'
STAGED="$WORK/stage/tool.zip"
install_once() {
    local exe=$1 mode=$2 output tries
    for tries in 1 2 3; do
        output=$(run "$SETUP_DRIVER" install "$(win "$exe")" "$INSTALL_TEMP" $mode | iconv -f GBK -t UTF-8)
        if echo "$output" | grep -q '^error='; then
            echo "$output" | grep '^error=' >&2
            say "an installation could not be driven"
            exit 1
        fi
        # The worker's start is only known when its first step text was seen.
        if [ "$(echo "$output" | field install_start_seen)" = 1 ]; then
            echo "$output"
            return
        fi
        say "the worker's first step went unseen; once more"
    done
    say "the worker's start could not be seen in $tries tries"
    exit 1
}
say "3/7 installation ($RUNS rounds) and 5/7 memory"
record "install.uptime $(uptime)"
mkdir -p "$WORK/stage" "$WORK/install-out"
# The extraction phase ends when the product folder, made under a name of ours, moves into
# place in one rename just before the final event: a mark the driver sees on the disk,
# without asking setup.exe's GUI thread anything (asking the bar for its position would
# hold up the progress events it measures). Where the time goes comes from the same rounds.
for round in $(seq 1 "$RUNS"); do
    output=$(install_once "$SETUP_EXE" "")
    full=$(echo "$output" | field install_folder_in)
    staged=$(echo "$output" | grep '^install_step=' | grep ' 2\.' | head -n 1 | field install_step)
    done_step=$(echo "$output" | grep '^install_step=' | grep ' 3\.' | head -n 1 | field install_step)
    question=$(echo "$output" | field install_seconds)
    record "install.ours $question"
    [ -n "$full" ] && record "install.extraction_phase $full"
    [ -n "$staged" ] && record "breakdown.staging $staged"
    [ -n "$staged" ] && [ -n "$full" ] && record "breakdown.extraction $(minus "$full" "$staged")"
    [ -n "$full" ] && [ -n "$done_step" ] && record "breakdown.picture_and_shortcut $(minus "$done_step" "$full")"
    [ -n "$done_step" ] && record "breakdown.question_box $(minus "$question" "$done_step")"
    record "breakdown.total $question"
    record "breakdown.notice_to_worker $(echo "$output" | field install_worker_seen_after_press)"
    record "install.exit $(echo "$output" | field install_exit)"
    record "install.files $(echo "$output" | field install_files)"
    record "memory.peak_working_set $(echo "$output" | field peak_working_set)"
    record "memory.peak_private $(echo "$output" | field peak_private)"
    record "memory.idle_private $(echo "$output" | field idle_private)"
    record "memory.idle_working_set $(echo "$output" | field idle_working_set)"
    record "memory.question_private $(echo "$output" | field question_private)"
    record "memory.question_working_set $(echo "$output" | field question_working_set)"
    rm -f "$STAGED"
    record "install.stage $(run "$BENCH_STAGE_WRITE" "$(win "$PAYLOAD_ZIP")" "$(win "$STAGED")" | field seconds)"
    rm -rf "$WORK/install-out"
    mkdir -p "$WORK/install-out"
    record "install.miniunz $(run "$BENCH_MINIUNZ" -o "$(win "$STAGED")" -d "$(win "$WORK/install-out")" | grep -a '^miniunz seconds=' | field seconds)"
done
rm -rf "$WORK/stage" "$WORK/install-out"

# ---- 4. start-up ---------------------------------------------------------------------
# setup.exe and the bare window are the figure; the steps from the one to the other and a
# what-if link of setup.exe are the profile.
# Starts are short and scatter under Wine, and the profile compares neighbours: twice
# the rounds.
STARTUP_RUNS=$((RUNS * 2))
say "4/7 start-up ($STARTUP_RUNS rounds)"
STARTUP_NAMES=(setup bare)
STARTUP_PROGRAMS=("$(win "$SETUP_EXE")" "$(win "$BARE_WINDOW")")
step=1
IFS=';' read -ra steps <<< "$STARTUP_STEPS"
for program in "${steps[@]}"; do
    STARTUP_NAMES+=("step$step")
    STARTUP_PROGRAMS+=("$(win "$program")")
    step=$((step + 1))
done
STARTUP_NAMES+=(aligned)
STARTUP_PROGRAMS+=("$(win "$SETUP_ALIGNED")")
output=$(run "$SETUP_DRIVER" startup "$STARTUP_RUNS" "${STARTUP_PROGRAMS[@]}")
if echo "$output" | grep -q '^error='; then
    echo "$output" | grep '^error=' >&2
    exit 1
fi
for index in "${!STARTUP_NAMES[@]}"; do
    name=${STARTUP_NAMES[$index]}
    echo "$output" | sed -n "s/^startup_${index}_seconds=/startup.$name /p" >> "$RAW"
    record "startup_memory.$name.private $(echo "$output" | field "idle_${index}_private")"
    record "startup_memory.$name.working_set $(echo "$output" | field "idle_${index}_working_set")"
done

# ---- 6. hostile archives ---------------------------------------------------------------
say "6/7 hostile archives ($HOSTILE_CASES cases, $CASE_SECONDS s bound each)"
HOSTILE="$WORK/hostile"
HOSTILE_WORK="$WINEPREFIX/drive_c/bench-hostile"
RESULTS="$WORK/hostile-results.tsv"
: > "$RESULTS"
: > "$WORK/hostile-cases.tsv"
: > "$WORK/hostile-log.txt"
rm -rf "$HOSTILE_WORK"
for first in $(seq 0 "$BATCH" $((HOSTILE_CASES - 1))); do
    count=$((HOSTILE_CASES - first < BATCH ? HOSTILE_CASES - first : BATCH))
    rm -rf "$HOSTILE"
    python3 "$ROOT/bench/make_hostile.py" --payload "$PAYLOAD_ZIP" --output "$HOSTILE" \
        --seed "$HOSTILE_SEED" --first "$first" --count "$count"
    cat "$HOSTILE/cases.tsv" >> "$WORK/hostile-cases.tsv"
    run "$HOSTILE_RUNNER" run "$(win "$HOSTILE")" 'C:\bench-hostile' "$(win "$RESULTS")" \
        "$CASE_SECONDS" | iconv -f GBK -t UTF-8 -c >> "$WORK/hostile-log.txt"
    say "   $((first + count)) of $HOSTILE_CASES"
done
rm -rf "$HOSTILE" "$HOSTILE_WORK"
# A file that left its target by a way the runner did not watch still carries the marker
# in its name: look for it everywhere the Windows programs could reach.
{
    find "$WINEPREFIX/drive_c" "$BUILD" -name '*hostile-escape*'
    find /tmp -maxdepth 3 -name '*hostile-escape*'
    find / -maxdepth 1 -name '*hostile-escape*'
} 2>/dev/null | sort -u > "$WORK/outside-target.txt" || true
record "hostile.escapes_found_after $(wc -l < "$WORK/outside-target.txt")"
if [ -s "$WORK/outside-target.txt" ]; then
    say "files left outside their target:"
    cat "$WORK/outside-target.txt" >&2
fi

# ---- 7. a large package ----------------------------------------------------------------
# `make package` (tools/package.sh) with about 256 MB in about 2,000 files: once in a fresh
# build folder, the program compiled too, then after one file of the payload changed, as
# someone packaging a new release waits for it (packed again, assembled, linked, copied).
# Ninja's log says how long packing, assembling and linking took. Then whole
# installations of the result, and its archive extracted by the component alone.
PACKAGE_BUILD="$BUILD/package-large"
PACKAGE_OUT="$WORK/package-large/setup.exe"
say "7/7 large package: $PACKAGE_RUNS rebuilds after a first build, $PACKAGE_RUNS installations"
# Seconds ninja spent on the last build of an output, from its log (milliseconds).
ninja_seconds() {
    awk -v out="$1" '$4 == out { t = ($2 - $1) / 1000 } END { if (t != "") printf "%.3f", t }' \
        "$PACKAGE_BUILD/.ninja_log"
}
package_once() {
    local start end output
    start=$(date +%s.%N)
    if ! output=$("$ROOT/tools/package.sh" "$PACKAGE_BUILD" "$LARGE_PRODUCT_ENTRY" "$LARGE_PAYLOAD" \
        "$PACKAGE_OUT" "${PACKAGE_CMAKE_OPTIONS[@]}" 2>&1); then
        echo "$output" >&2
        say "make package failed on the large payload"
        exit 1
    fi
    end=$(date +%s.%N)
    record "package.$1 $(minus "$end" "$start")"
    record "package_phase.$1.pack $(ninja_seconds assets/payload.zip)"
    record "package_phase.$1.assemble $(ninja_seconds assets/CMakeFiles/installer_assets.dir/embedded.S.obj)"
    record "package_phase.$1.link $(ninja_seconds setup.exe)"
}
rm -rf "$PACKAGE_BUILD"
package_once first
for round in $(seq 1 "$PACKAGE_RUNS"); do
    touch "$LARGE_PAYLOAD/$(ls "$LARGE_PAYLOAD" | grep -m 1 '\.exe$')"
    package_once rebuild
done
PACKAGE_ZIP="$PACKAGE_BUILD/assets/payload.zip"
record "package.product_entry $LARGE_PRODUCT_ENTRY"
record "package.size $(stat -c %s "$PACKAGE_OUT")"
record "package.archive_size $(stat -c %s "$PACKAGE_ZIP")"
record "package.entries $(python3 -c 'import sys, zipfile; print(len(zipfile.ZipFile(sys.argv[1]).infolist()))' "$PACKAGE_ZIP")"
record "package.bytes $(python3 -c 'import sys, zipfile; print(sum(i.file_size for i in zipfile.ZipFile(sys.argv[1]).infolist()))' "$PACKAGE_ZIP")"
record "package.files $(find "$LARGE_PAYLOAD" -type f | wc -l)"
for round in $(seq 1 "$PACKAGE_RUNS"); do
    output=$(install_once "$PACKAGE_OUT" "")
    record "package_install.seconds $(echo "$output" | field install_seconds)"
    record "package_install.exit $(echo "$output" | field install_exit)"
    record "package_install.files $(echo "$output" | field install_files)"
    record "package_install.peak_private $(echo "$output" | field peak_private)"
    rm -rf "$OUT"
    mkdir -p "$OUT"
    record "package_extract.ours $(run "$BENCH_EXTRACT" "$(win "$PACKAGE_ZIP")" "$(win "$OUT")" | grep -a '^ours seconds=' | field seconds)"
done
# Where an installation's time goes, as in section 3.
output=$(install_once "$PACKAGE_OUT" breakdown)
full=$(echo "$output" | field install_bar_full)
staged=$(echo "$output" | grep '^install_step=' | grep ' 2\.' | head -n 1 | field install_step)
done_step=$(echo "$output" | grep '^install_step=' | grep ' 3\.' | head -n 1 | field install_step)
[ -n "$staged" ] && record "package_breakdown.staging $staged"
[ -n "$staged" ] && [ -n "$full" ] && record "package_breakdown.extraction $(minus "$full" "$staged")"
[ -n "$full" ] && [ -n "$done_step" ] && record "package_breakdown.picture_and_shortcut $(minus "$done_step" "$full")"
record "package_breakdown.total $(echo "$output" | field install_seconds)"
rm -rf "$OUT" "$WORK/package-large"

record "machine.load_after $(cut -d ' ' -f 1-3 /proc/loadavg)"
record "machine.uptime_after $(uptime)"

# ---- the table -------------------------------------------------------------------------
# The table being replaced gives the previous figures.
PREVIOUS="$WORK/previous.md"
if [ "$DOC" != - ] && [ -f "$DOC" ]; then cp "$DOC" "$PREVIOUS"; else : > "$PREVIOUS"; fi
python3 "$ROOT/bench/report.py" --raw "$RAW" --footprint "$WORK/footprint.json" \
    --hostile "$RESULTS" --hostile-cases "$WORK/hostile-cases.tsv" \
    --hostile-log "$WORK/hostile-log.txt" --previous "$PREVIOUS" --doc "$DOC"
