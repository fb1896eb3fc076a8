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
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi

cleanup() {
    wineserver -k 2>/dev/null || true
    [ -z "$started_xvfb" ] || kill "$started_xvfb" 2>/dev/null || true
}
trap cleanup EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "test-env: creating Wine prefix $WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w
fi
wineserver -p
"$@"
