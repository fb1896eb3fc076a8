#!/bin/sh
# Installs what building and testing need on a Debian 12 machine, as root.
# Each step is skipped when its result is already there, so a second run is fast.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PREFIX="$ROOT/.deps/mingw64"
# wine64-preloader reserves the addresses Wine needs before anything else runs. Without
# it, Linux puts the loader's heap anywhere in the gigabyte above it, and about once in a
# few thousand starts the heap has already grown over the fixed address of the process's
# shared user data: the process ends at once with code 1 and, under WINEDEBUG=-all, no word.
PACKAGES="cmake ninja-build make python3 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
binutils-mingw-w64-x86-64 libz-mingw-w64-dev googletest wine wine64 wine64-preloader xvfb \
xauth locales fonts-wqy-microhei dpkg-dev x11-utils imagemagick clang-format python3-xlib"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# Wine only reports code page 936 when a Chinese locale has been generated.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    echo "setup: generating zh_CN.UTF-8"
    sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi

# minizip is not packaged for mingw: build its unzip part from Debian's zlib source.
if [ ! -f "$PREFIX/lib/libminizip.a" ]; then
    if ! grep -rqs '^Types: deb-src' /etc/apt/sources.list.d/; then
        echo "setup: enabling deb-src"
        cat > /etc/apt/sources.list.d/installer-deb-src.sources <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        apt-get update -qq
    fi
    scratch=$(mktemp -d)
    (cd "$scratch" && apt-get source -qq zlib >/dev/null 2>&1)
    src=$(find "$scratch" -maxdepth 3 -type d -path '*/contrib/minizip' | head -n 1)
    [ -n "$src" ] || { echo "setup: zlib source has no contrib/minizip" >&2; exit 1; }
    echo "setup: building minizip from $src"
    mkdir -p "$PREFIX/lib" "$PREFIX/include/minizip" "$PREFIX/src"
    for f in unzip ioapi iowin32; do
        x86_64-w64-mingw32-gcc-posix -O2 -ffunction-sections -fdata-sections \
            -DNOCRYPT -DNOUNCRYPT -c "$src/$f.c" -o "$scratch/$f.o"
    done
    # miniunz is only built for the benchmarks, which compare against it.
    cp "$src/miniunz.c" "$PREFIX/src/" 2>/dev/null || true
    x86_64-w64-mingw32-ar rcs "$PREFIX/lib/libminizip.a" "$scratch/unzip.o" "$scratch/ioapi.o" "$scratch/iowin32.o"
    cp "$src/unzip.h" "$src/ioapi.h" "$src/iowin32.h" "$PREFIX/include/minizip/"
    rm -rf "$scratch"
fi
echo "setup: ready"
