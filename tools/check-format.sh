#!/bin/sh
# Fails when a C or C++ source does not match .clang-format; prints what would change.
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT" || exit 2
files=$(git ls-files -co --exclude-standard '*.c' '*.cpp' '*.h' 2>/dev/null)
[ -n "$files" ] || files=$(find core ui install platform assets tests tools bench \
    -name '*.c' -o -name '*.cpp' -o -name '*.h')
# shellcheck disable=SC2086
exec clang-format --dry-run --Werror $files
