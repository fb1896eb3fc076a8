#!/bin/sh
# Runs a Windows program under the project's own Wine prefix, with code page 936.
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$ROOT/.deps/wineprefix}"
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mshtml=d;mscoree=d"
exec wine "$@"
