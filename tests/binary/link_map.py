#!/usr/bin/env python3
"""Fails when the linker map of a program shows a library object that the installer keeps
out of setup.exe: the C++ exception machinery (and the copy-on-write strings and thread
library it drags along), the name demangler, and the C library's printf.

    link_map.py [--expect-found OBJ,OBJ...] MAP

With --expect-found the check is inverted for a probe program: it passes only when each
named object is among those found."""
import argparse
import re
import sys

# Objects of libstdc++, libgcc and mingw-w64's libraries, by file name.
KEPT_OUT = {
    "functexcept.o": "the C++ library's throw functions",
    "cow-string-inst.o": "copy-on-write strings, for the exception classes",
    "stdexcept.o": "the standard exception classes",
    "eh_personality.o": "exception unwinding",
    "eh_throw.o": "exception throwing",
    "guard.o": "thread-safe guards of function-local statics",
    "cp-demangle.o": "the name demangler of the terminate handler",
    "lib64_libmingwex_a-mingw_pformat.o": "the C library's printf",
}
# Every object of the thread library.
KEPT_OUT_LIBRARIES = {"libpthread.a": "the thread library", "libwinpthread.a": "the thread library"}


def included_objects(map_text):
    """(library, object) of every archive member the link took in."""
    section = map_text.split("Archive member included", 1)[-1]
    section = re.split(r"\n(?:Discarded input sections|Memory Configuration)", section)[0]
    found = set()
    for match in re.finditer(r"^(\S+\.a)\((\S+)\)", section, re.MULTILINE):
        found.add((match.group(1).rsplit("/", 1)[-1], match.group(2)))
    return found


def kept_out_found(map_text):
    found = {}
    for library, member in included_objects(map_text):
        if member in KEPT_OUT:
            found[member] = KEPT_OUT[member]
        elif library in KEPT_OUT_LIBRARIES:
            found[f"{library}({member})"] = KEPT_OUT_LIBRARIES[library]
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--expect-found", default=None)
    parser.add_argument("map")
    args = parser.parse_args()
    with open(args.map, errors="replace") as f:
        found = kept_out_found(f.read())
    if args.expect_found is not None:
        missing = [name for name in args.expect_found.split(",") if name not in found]
        for name in missing:
            print(f"{args.map}: {name} was expected but not found")
        return 1 if missing else 0
    for name, what in sorted(found.items()):
        print(f"{args.map}: {name} ({what}) is linked in")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
