#!/bin/bash
# Runs a command with everything the Windows programs need: the project's Wine prefix
# (made once), one wineserver kept alive for the whole run, and a virtual display when
# there is no display at all.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$ROOT/.deps/wineprefix}"
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mshtml=d;mscoree=d"

started_xvfb=""
if [ -z "${DISPLAY:-}" ] || [ "${INSTALLER_HEADLESS:-}" = 1 ]; then
    for n in $(seq 91 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    started_xvfb=$!
    export DISPLAY=":$n"
    export INSTALLER_HEADLESS=1
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi

started_server=""
cleanup() {
    [ -z "$started_server" ] || wineserver -k 2>/dev/null || true
    [ -z "$started_xvfb" ] || kill "$started_xvfb" 2>/dev/null || true
}
trap cleanup EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "test-env: creating Wine prefix $WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w
fi
# Wine links the user's Desktop, Documents and the like to the Linux home folder, so a
# shortcut the installer writes would land in /root and be shared by every prefix. The
# prefix gets folders of its own instead.
for folder in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$folder" ]; then rm -f "$folder" && mkdir -p "$folder"; fi
done

# A persistent server saves every Wine process its 2.5 s start; one that is already
# running for this prefix (another run of ours) is shared and left alone.
if wineserver -p 2>/dev/null; then started_server=1; fi
# The first Wine process of a server starts Wine's service processes, and the first one
# that makes a window starts the desktop process; both inherit its output. Start them
# here, away from the test runner's pipes, which would otherwise stay open.
wine rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null || true
"$@"
