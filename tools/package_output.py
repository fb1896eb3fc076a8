#!/usr/bin/env python3
"""Puts a built setup.exe where it is handed out and says, on one line, what it is: its
path, its size, the entries of its archive and the product it installs.

Usage: package_output.py --exe setup.exe --archive payload.zip --product NAME --entry N
                         --output FILE
"""

import argparse
import os
import shutil
import sys
import zipfile


def deliver(exe, output):
    """A copy at `output`, written beside it and renamed, so that an interrupted copy
    never passes for an installer."""
    if os.path.abspath(exe) == os.path.abspath(output):
        return
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    partial = output + '.partial'
    try:
        shutil.copyfile(exe, partial)
        shutil.copymode(exe, partial)
        os.replace(partial, output)
    finally:
        if os.path.exists(partial):
            os.remove(partial)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--exe', required=True)
    parser.add_argument('--archive', required=True)
    parser.add_argument('--product', required=True)
    parser.add_argument('--entry', required=True, type=int)
    parser.add_argument('--output', required=True)
    args = parser.parse_args(argv)

    deliver(args.exe, args.output)
    with zipfile.ZipFile(args.archive) as archive:
        entries = len(archive.infolist())
    print('package: %s: %d bytes, %d entries, %s (catalogue entry %d)'
          % (args.output, os.path.getsize(args.output), entries, args.product, args.entry))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
