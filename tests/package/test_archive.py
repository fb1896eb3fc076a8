"""The archive the packer writes: the installer's format, entry by entry, the same bytes
from the same folder, and a depfile that names everything it read."""

import calendar
import os
import shutil
import time
import unittest
import zipfile

from package_support import PROGRAM, PackCase, write


def utc(*fields):
    return calendar.timegm(fields + (0, 0, 0))


# name, content (None for a folder), read-only, modification time (UTC), time stored.
FOLDER = [
    ('Brightwick.exe', PROGRAM, False, utc(2024, 3, 5, 6, 7, 9), (2024, 3, 5, 6, 7, 8)),
    ('说明.txt', '安装后请先阅读。\r\n'.encode('gbk'), True, utc(2023, 12, 31, 23, 59, 58),
     (2023, 12, 31, 23, 59, 58)),
    ('alpha.txt', b'alpha ' * 1000, False, utc(2020, 1, 2, 3, 4, 6), (2020, 1, 2, 3, 4, 6)),
    ('zeta.txt', b'zeta', False, utc(2020, 1, 2, 3, 4, 6), (2020, 1, 2, 3, 4, 6)),
    ('nothing.dat', b'', False, utc(2021, 7, 1, 0, 0, 0), (2021, 7, 1, 0, 0, 0)),
    ('.hidden', b'h', False, utc(2021, 7, 1, 0, 0, 0), (2021, 7, 1, 0, 0, 0)),
    ('old.txt', b'older than ZIP times', False, utc(1975, 5, 5, 5, 5, 5), (1980, 1, 1, 0, 0, 0)),
    ('sub', None, False, utc(2022, 2, 2, 2, 2, 2), (2022, 2, 2, 2, 2, 2)),
    ('sub/b.bin', bytes(range(256)) * 64, True, utc(2022, 2, 2, 2, 2, 2), (2022, 2, 2, 2, 2, 2)),
    ('sub/inner', None, False, utc(2022, 2, 2, 2, 2, 4), (2022, 2, 2, 2, 2, 4)),
    ('sub/inner/c.txt', b'c', False, utc(2022, 2, 2, 2, 2, 4), (2022, 2, 2, 2, 2, 4)),
    ('empty', None, False, utc(2022, 2, 2, 2, 2, 6), (2022, 2, 2, 2, 2, 6)),
]
# Each level in name order, files before folders, a folder right before what it holds.
ORDER = ['.hidden', 'Brightwick.exe', 'alpha.txt', 'nothing.dat', 'old.txt', 'zeta.txt',
         '说明.txt', 'empty/', 'sub/', 'sub/b.bin', 'sub/inner/', 'sub/inner/c.txt']


def make_folder(root, rows):
    for name, data, read_only, mtime, _ in rows:
        path = os.path.join(root, name)
        if data is None:
            os.makedirs(path, exist_ok=True)
        else:
            write(path, data, mode=0o444 if read_only else 0o644)
    # Times last, and deepest first: filling a folder changes its own time.
    for name, _, _, mtime, _ in sorted(rows, key=lambda row: -row[0].count('/')):
        os.utime(os.path.join(root, name), (mtime, mtime))


def stored_name(info):
    """The raw name bytes; zipfile shows names without the UTF-8 flag as code page 437."""
    return info.orig_filename.encode('cp437')


class ArchiveFormat(PackCase):
    def setUp(self):
        super().setUp()
        make_folder(self.payload, FOLDER)
        status, lines = self.pack()
        self.assertEqual((status, lines), (0, []))

    def test_entries_come_in_order_with_gbk_names_and_the_utf8_flag_clear(self):
        with zipfile.ZipFile(self.output) as archive:
            infos = archive.infolist()
        self.assertEqual([stored_name(info) for info in infos],
                         [name.encode('gbk') for name in ORDER])
        for info in infos:
            self.assertEqual(info.flag_bits & 0x800, 0, info.filename)

    def test_each_entry_has_its_attributes_time_method_and_bytes(self):
        with zipfile.ZipFile(self.output) as archive:
            self.assertIsNone(archive.testzip())
            self.assertEqual(archive.comment, b'')
            by_name = {stored_name(info).decode('gbk'): info for info in archive.infolist()}
            for name, data, read_only, _, stored_time in FOLDER:
                with self.subTest(name=name):
                    info = by_name[name + ('/' if data is None else '')]
                    self.assertEqual(info.create_system, 0)
                    self.assertEqual(info.extra, b'')
                    self.assertEqual(info.date_time, stored_time)
                    if data is None:
                        self.assertEqual(info.external_attr, 0x10)
                        self.assertEqual(info.compress_type, zipfile.ZIP_STORED)
                        self.assertEqual(info.file_size, 0)
                    else:
                        self.assertEqual(info.external_attr, 0x21 if read_only else 0x20)
                        self.assertEqual(info.compress_type, zipfile.ZIP_DEFLATED)
                        self.assertEqual(archive.read(info), data)

    def test_no_zip64_record_anywhere(self):
        with open(self.output, 'rb') as archive:
            data = archive.read()
        self.assertNotIn(b'PK\x06\x06', data)
        self.assertNotIn(b'PK\x06\x07', data)

    def test_the_same_folder_gives_the_same_bytes(self):
        with open(self.output, 'rb') as first:
            expected = first.read()
        # Made again elsewhere, in the opposite order, and packed in another time zone.
        elsewhere = os.path.join(self.scratch, 'elsewhere', 'copy')
        make_folder(elsewhere, list(reversed(FOLDER)))
        zone = os.environ.get('TZ')
        self.addCleanup(time.tzset)
        self.addCleanup(os.environ.__setitem__ if zone else os.environ.pop, 'TZ',
                        *([zone] if zone else []))
        for folder, tz in ((self.payload, 'UTC0'), (elsewhere, 'CST-8'), (elsewhere, 'EST5EDT')):
            with self.subTest(folder=folder, tz=tz):
                os.environ['TZ'] = tz
                time.tzset()
                self.assertEqual(self.pack(folder), (0, []))
                with open(self.output, 'rb') as again:
                    self.assertEqual(again.read(), expected)

    def test_the_depfile_names_the_archive_and_everything_read(self):
        for name in ('with space.txt', 'hash#.txt', 'dollar$.txt'):
            write(self.path(name), b'x')
        depfile = os.path.join(self.scratch, 'payload.d')
        self.assertEqual(self.pack(depfile=depfile), (0, []))
        with open(depfile, encoding='utf-8') as made:
            text = made.read()
        escape = lambda path: path.replace(' ', '\\ ').replace('#', '\\#').replace('$', '$$')
        target, _, inputs = text.partition(': \\\n')
        self.assertEqual(target, escape(self.output))
        listed = [line.strip().rstrip('\\').strip() for line in inputs.splitlines()]
        expected = [self.payload] + [self.path(name.rstrip('/')) for name in ORDER] + [
            self.path(name) for name in ('dollar$.txt', 'hash#.txt', 'with space.txt')]
        self.assertEqual(sorted(listed), sorted(escape(path) for path in expected))


if __name__ == '__main__':
    unittest.main()
