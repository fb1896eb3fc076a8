#!/bin/bash
# Runs a Windows program in the Wine environment of tools/wine-env.sh, in the prefix
# WINEPREFIX (made when missing), which it holds while the program runs.
# shellcheck source=tools/wine-env.sh
. "$(dirname "$0")/wine-env.sh"
wine_env_hold "$WINEPREFIX" || exit 1
# Every process a Windows program starts inherits its Unix output, and one that lives on
# (the product it launched, Wine's desktop process) would keep a caller's pipe open long
# after the program ended. The output goes through a file instead.
out=$(mktemp)
wine "$@" > "$out" 2>&1 9>&-
code=$?
cat "$out"
# Wine itself says nothing under WINEDEBUG=-all; a failure should not pass unnoticed.
if [ "$code" -ne 0 ] && [ ! -s "$out" ]; then
    echo "wine-run: $1 ended with code $code and printed nothing" \
        "(WINEDEBUG=err+all shows Wine's own errors)" >&2
fi
rm -f "$out"
exit $code
