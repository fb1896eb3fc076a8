#!/bin/bash
# Runs a command as one Wine session (tools/wine-env.sh): a virtual display when there is
# none to watch (or INSTALLER_HEADLESS=1), the prefix template made once, and a persistent
# wineserver (with a display of its own when headless) for each prefix that a Windows
# program of the command uses, all ended when the command ends.
#
# usage: [WINEPREFIX=<prefix>] tools/test-env.sh <command> [args...]
set -eu
# shellcheck source=tools/wine-env.sh
. "$(dirname "$0")/wine-env.sh"
wine_env_session_begin
status=0
"$@" || status=$?
exit "$status"
