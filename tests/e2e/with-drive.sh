#!/bin/bash
# Runs a command with drive D: present ("on") or absent ("off") in the Wine prefix, and
# puts the prefix back as it was afterwards.
#
# Wine's drive D: is the symlink dosdevices/d:. "on" points it at a fresh folder on the
# build machine's disk, so D: reports that file system's free space; the default install
# location depends on it, so the test needs at least 1000 MB free there.
set -u
usage() { echo "usage: $0 on|off command [args...]" >&2; exit 2; }
[ $# -ge 2 ] || usage
mode=$1
shift
case "$mode" in on | off) ;; *) usage ;; esac

# The prefix is held (tools/wine-env.sh) from before the drive changes until it is put back.
# shellcheck source=tools/wine-env.sh
. "$(dirname "$0")/../../tools/wine-env.sh"
prefix=$WINEPREFIX
wine_env_hold "$prefix" || exit 1
link="$prefix/dosdevices/d:"
[ -d "$prefix/dosdevices" ] || { echo "with-drive: no Wine prefix at $prefix" >&2; exit 1; }

saved=""
[ -L "$link" ] && saved=$(readlink "$link")
folder=""

restore() {
    rm -f "$link"
    [ -z "$saved" ] || ln -s "$saved" "$link"
    [ -z "$folder" ] || rm -rf "$folder"
}
trap restore EXIT
trap 'exit 143' TERM INT

rm -f "$link"
if [ "$mode" = on ]; then
    folder=$(mktemp -d "${TMPDIR:-/tmp}/installer-drive-d.XXXXXX")
    free=$(df -B1 --output=avail "$folder" | tail -n 1 | tr -d ' ')
    if [ "$free" -lt 1048576000 ]; then
        echo "with-drive: only $free bytes free under $folder; drive D: needs 1000 MB" >&2
        exit 1
    fi
    ln -s "$folder" "$link"
fi
"$@" 9>&-
