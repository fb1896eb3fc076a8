#!/usr/bin/env python3
"""Makes the payload folder of the entry-1 package that the end-to-end tests install: the
sample product under that product's name, texts with Chinese names, a read-only file, an
empty file, nested and empty folders, each with a fixed modification time. Ten entries.

Usage: make_package_payload.py --program Brightwick.exe --output <folder>
"""

import argparse
import calendar
import os
import shutil
import sys


def utc(*fields):
    return calendar.timegm(fields + (0, 0, 0))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--program', required=True)
    parser.add_argument('--output', required=True)
    args = parser.parse_args(argv)

    with open(args.program, 'rb') as program:
        exe = program.read()
    # name, bytes (None for a folder), read-only, modification time
    rows = [
        ('Brightwick.exe', exe, False, utc(2024, 4, 1, 9, 30, 0)),
        ('readme.txt', 'Brightwick 1.0\r\n感谢使用。\r\n'.encode('gbk'), False,
         utc(2024, 4, 1, 9, 31, 2)),
        ('empty.dat', b'', False, utc(2024, 4, 1, 9, 31, 4)),
        ('config', None, False, utc(2024, 4, 1, 9, 32, 0)),
        ('config/settings.ini', b'[general]\r\nlanguage=zh-CN\r\n', True,
         utc(2024, 4, 1, 9, 32, 0)),
        ('logs', None, False, utc(2024, 4, 1, 9, 33, 0)),
        ('文档', None, False, utc(2024, 4, 2, 10, 0, 0)),
        ('文档/使用说明.txt', ('第一章 安装\r\n' * 200).encode('gbk'), False,
         utc(2024, 4, 2, 10, 0, 0)),
        ('文档/图片', None, False, utc(2024, 4, 2, 10, 0, 2)),
        ('文档/图片/logo.bin', bytes(range(256)) * 40, False, utc(2024, 4, 2, 10, 0, 2)),
    ]
    shutil.rmtree(args.output, ignore_errors=True)
    for name, data, read_only, _ in rows:
        path = os.path.join(args.output, name)
        if data is None:
            os.makedirs(path, exist_ok=True)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as out:
            out.write(data)
        os.chmod(path, 0o444 if read_only else 0o644)
    # Deepest first: filling a folder changes its time.
    for name, _, _, mtime in sorted(rows, key=lambda row: -row[0].count('/')):
        os.utime(os.path.join(args.output, name), (mtime, mtime))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
