#!/bin/bash
# `make run`: starts the installer built in <build dir> under Wine.
#
# With a display a person can see (DISPLAY set, INSTALLER_HEADLESS unset), it simply
# starts setup.exe there and waits for it. Otherwise (INSTALLER_HEADLESS=1, or the
# display is a virtual Xvfb screen such as the one tools/test-env.sh starts) nobody can
# watch, so demo_driver.exe performs a whole installation as a user would and the
# screenshots it takes are saved as PNG files.
#
# usage: tools/test-env.sh tools/demo.sh <build dir>
set -eu
[ $# -eq 1 ] || { echo "usage: $0 <build dir>" >&2; exit 2; }
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
SETUP="$BUILD/setup.exe"
DRIVER="$BUILD/tools/demo_driver.exe"
[ -f "$SETUP" ] || { echo "demo: $SETUP not built" >&2; exit 1; }

# Wine sees the Linux root as drive Z:.
windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }

nobody_watches() {
    [ "${INSTALLER_HEADLESS:-}" = 1 ] && return 0
    [ -z "${DISPLAY:-}" ] && return 0
    local n=${DISPLAY#*:}
    n=${n%%.*}
    ps -eo args= | grep -Eq "^(/usr/bin/)?Xvfb :$n( |$)"
}

if ! nobody_watches; then
    echo "demo: starting setup.exe on display $DISPLAY"
    status=0
    "$ROOT/tools/wine-run.sh" "$SETUP" || status=$?
    echo "demo: setup.exe ended with exit code $status"
    exit "$status"
fi

[ -f "$DRIVER" ] || { echo "demo: $DRIVER not built (target demo_driver)" >&2; exit 1; }
OUT="$BUILD/demo"
rm -rf "$OUT"
mkdir -p "$OUT"
echo "demo: no display to watch; driving one installation on the virtual display $DISPLAY"

# The driver prints the installer's own texts, which are GBK.
set +e
"$ROOT/tools/wine-run.sh" "$DRIVER" "$(windows_path "$SETUP")" "$(windows_path "$OUT")" |
    iconv -c -f GBK -t UTF-8
status=${PIPESTATUS[0]}
set -e

for bmp in "$OUT"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "demo: screenshots in $OUT:"
for png in "$OUT"/*.png; do
    [ -e "$png" ] && echo "   $png"
done
exit "$status"
