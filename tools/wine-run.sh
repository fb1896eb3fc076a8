#!/bin/sh
# Runs a Windows program under the project's own Wine prefix, with code page 936.
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$ROOT/.deps/wineprefix}"
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mshtml=d;mscoree=d"
# Every process a Windows program starts inherits its Unix output, and one that lives on
# (the product it launched, Wine's desktop process) would keep a caller's pipe open long
# after the program ended. The output goes through a file instead.
out=$(mktemp)
wine "$@" >"$out" 2>&1
code=$?
cat "$out"
rm -f "$out"
exit $code
