#!/bin/bash
# `make package`: builds the installer for one catalogue entry with the files of a folder
# as its payload, in a build folder of its own, and prints one line: the installer's
# path, its size, its archive's entries and the product. A folder that would give a
# broken installer is refused: one line per problem naming the file and the rule, a
# non-zero exit, and no installer at the output path.
#
# usage: tools/package.sh <build dir> <entry> <payload folder> <output> [cmake option...]
#   An empty payload folder means the sample payload, an empty output
#   out/<product>/setup.exe. The options go to CMake's first configuration.
set -u
[ $# -ge 4 ] || { echo "usage: $0 <build dir> <entry> <payload folder> <output> [cmake option...]" >&2; exit 2; }
ROOT=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "$1")
product=$2
payload=${3:+$(realpath -m "$3")}
output=${4:+$(realpath -m "$4")}
shift 4

mkdir -p "$build"
log="$build/package.log"
# An installer left from an earlier run would pass for this one if this one fails.
[ -z "$output" ] || rm -f "$output"
if ! cmake -S "$ROOT" -B "$build" "$@" -DBUILD_TESTING=OFF -DINSTALLER_PRODUCT="$product" \
    -DINSTALLER_PAYLOAD="$payload" -DINSTALLER_OUTPUT="$output" > "$log" 2>&1; then
    # CMake's message without its frame: the lines after "CMake Error at ...".
    message=$(sed -n '/^CMake Error/,/^\(Call Stack\|$\)/{/^\(CMake Error\|Call Stack\|$\)/d;s/^ *//;p}' "$log" |
        paste -sd ' ')
    echo "package: refused: PRODUCT=$product: ${message:-the configuration failed, see $log}" >&2
    exit 1
fi

# The default output is known once CMake has named the product.
installer=$(sed -n 's/^INSTALLER_PACKAGE_FILE:INTERNAL=//p' "$build/CMakeCache.txt")
[ -z "$installer" ] || rm -f "$installer"

if ! cmake --build "$build" --target installer_package > "$log" 2>&1; then
    if grep -q '^package: refused: ' "$log"; then
        grep '^package: refused: ' "$log" >&2
    else
        tail -n 30 "$log" >&2
        echo "package: the build failed; the whole output is in $log" >&2
    fi
    exit 1
fi
grep '^package: ' "$log"
