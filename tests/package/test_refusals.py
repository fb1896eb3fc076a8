"""Every folder the packer refuses, one row each: one line naming the file and the rule,
exit status 1, and no archive, not even one left by an earlier run."""

import os
import shutil
import subprocess
import sys
import unittest
from unittest import mock

import package_payload
import payload_rules
from package_payload import shown
from package_support import PRODUCT, PROGRAM, PackCase, write

TOOLS = os.path.dirname(payload_rules.__file__)


def missing(case):
    shutil.rmtree(case.payload)
    return case.payload


def a_file(case):
    os.rmdir(case.payload)
    write(case.payload, PROGRAM)
    return case.payload


def empty(case):
    return case.payload


def program_in_a_subfolder(case):
    case.add_program('bin/Brightwick.exe')
    return case.payload


def another_products_program(case):
    case.add_program('Quillmere.exe')
    return case.payload


def program_is_a_folder(case):
    case.add('Brightwick.exe/readme.txt')
    return case.payload


def program_is_no_program(case):
    case.add('Brightwick.exe', b'#!/bin/sh\necho hello\n')
    return case.payload


def with_program(name, make=None):
    """The product's program at the top and one more thing; the row names `name`."""
    def build(case):
        case.add_program()
        (make or (lambda c: c.add(name)))(case)
        return case.path(name)
    return build


def symlink(target):
    return lambda case: os.symlink(target, case.path('link'))


def folder_link(case):
    case.add('data/a.txt')
    os.symlink('data', case.path('more'))


def fifo(case):
    os.mkfifo(case.path('pipe'))


def case_clash(case):
    case.add('ReadMe.txt')
    case.add('README.TXT')


def too_many_entries(case):
    case.add_program()
    # One past the limit, with the program and many/ itself.
    for index in range(payload_rules.ENTRY_LIMIT - 1):
        write(case.path('many/%05d' % index))
    return case.payload


def too_large_file(case):
    case.add_program()
    with open(case.path('huge.bin'), 'wb') as out:
        out.truncate(payload_rules.FILE_SIZE_LIMIT + 1)  # sparse: nothing is written
    return case.path('huge.bin')


def too_large_archive(case):
    case.add_program()
    case.add('noise.bin', os.urandom(64 << 10))
    return case.payload


def reached_twice(case):
    case.add_program()
    case.add('assets/a.txt')
    os.mkdir(case.path('mirror'))
    return case.path('mirror')


# A Linux folder name may be 255 bytes; two of them reach past Windows' limits.
LONG = 'L' * 200
# C:\Velmora软件\Brightwick is 23 characters, and a backslash joins the entry.
FILE_ROOM = payload_rules.FILE_PATH_LIMIT - 24
FOLDER_ROOM = payload_rules.FOLDER_PATH_LIMIT - 25  # a folder keeps a trailing backslash

# label, what to make (gives the path the line names), a piece of the rule, limits to
# lower for the row.
ROWS = [
    ('missing folder', missing, 'no such folder', {}),
    ('file given as folder', a_file, 'not a folder', {}),
    ('empty folder', empty, 'the folder is empty', {}),
    ('program only in a subfolder', program_in_a_subfolder, 'no Brightwick.exe at its top', {}),
    ("another product's program", another_products_program, 'no Brightwick.exe at its top', {}),
    ('program is a folder', program_is_a_folder, 'no Brightwick.exe at its top', {}),
    ('program without MZ', program_is_no_program, 'is no Windows program', {}),
    ('name outside GBK', with_program('ภาษา.txt'), 'cannot be written in GBK', {}),
    ('name not even UTF-8', with_program(os.fsdecode(b'caf\xe9.txt')),
     'cannot be written in GBK', {}),
    ('device name', with_program('docs/aux.txt'), 'a device name', {}),
    ('device name as folder', with_program('lpt1', lambda c: c.add('lpt1/readme.txt')),
     'a device name', {}),
    ('trailing dot', with_program('notes.'), 'ends in a dot or space', {}),
    ('trailing space on a folder', with_program('data ', lambda c: c.add('data /x.txt')),
     'ends in a dot or space', {}),
    ('dots only', with_program('...'), 'this or the parent folder', {}),
    ('colon', with_program('stream.txt:hidden'), "has ':'", {}),
    ('question mark', with_program('what?.txt'), "has '?'", {}),
    ('backslash', with_program('a\\b.txt'), "has '\\\\'", {}),
    ('control character', with_program('bell\x07.txt'), 'has \\x07', {}),
    ('line break', with_program('two\nlines.txt'), 'has \\x0a', {}),
    ('link to a file', with_program('link', symlink(PROGRAM.hex())), 'symbolic link', {}),
    ('link to a folder', with_program('more', folder_link), 'symbolic link', {}),
    ('pipe', with_program('pipe', fifo), 'neither a file nor a folder', {}),
    ('names differing in case', with_program('ReadMe.txt', case_clash),
     "differs from 'README.TXT' only in case", {}),
    ('file path too long', with_program(LONG + '/' + 'f' * (FILE_ROOM - len(LONG))),
     'Windows takes at most 259 for a file', {}),
    ('folder path too long',
     with_program(LONG + '/' + 'd' * (FOLDER_ROOM - len(LONG)),
                  lambda c: os.makedirs(c.path(LONG + '/' + 'd' * (FOLDER_ROOM - len(LONG))))),
     'Windows takes at most 247 for a folder', {}),
    ('too many entries', too_many_entries, 'more than the 65535 entries', {}),
    ('file too large', too_large_file, 'more than the 2147483647 a plain ZIP entry', {}),
    ('archive too large', too_large_archive, 'the most setup.exe can carry',
     {'ARCHIVE_LIMIT': 32 << 10}),
]


class Refusals(PackCase):
    def expect_refused(self, status, lines, named, rule):
        self.assertEqual(status, 1)
        self.assertEqual(len(lines), 1, lines)
        self.assertTrue(lines[0].startswith('package: refused: %s: ' % shown(named)), lines[0])
        self.assertIn(rule, lines[0])
        self.assertFalse(os.path.exists(self.output), 'an archive was left')
        self.assertFalse(os.path.exists(self.output + '.partial'))

    def test_each_refusal_names_the_file_and_the_rule(self):
        for label, make, rule, limits in ROWS:
            with self.subTest(label):
                self.setUp()
                named = make(self) or self.payload
                write(self.output, b'an archive from an earlier run')
                with mock.patch.dict(payload_rules.__dict__, limits):
                    status, lines = self.pack()
                self.expect_refused(status, lines, named, rule)

    def test_the_limits_themselves_pass(self):
        """Right at each limit the packer writes the archive, and it is plain ZIP."""
        self.add_program()
        self.add('F' * 200 + '/' + 'f' * (FILE_ROOM - 201))
        os.makedirs(self.path('F' * 200 + '/' + 'd' * (FOLDER_ROOM - 201)))
        # With the program, the two folders, the file and many/ itself.
        for index in range(payload_rules.ENTRY_LIMIT - 5):
            write(self.path('many/%05d' % index))
        status, lines = self.pack()
        self.assertEqual((status, lines), (0, []))
        with open(self.output, 'rb') as archive:
            data = archive.read()
        self.assertNotIn(b'PK\x06\x06', data, 'a Zip64 end record')
        end = data.rindex(b'PK\x05\x06')
        self.assertEqual(int.from_bytes(data[end + 10:end + 12], 'little'),
                         payload_rules.ENTRY_LIMIT)

    def test_a_file_that_changes_while_it_is_packed(self):
        """Its size was checked before packing; a file that grows or shrinks after that
        would be stored with other bytes than were checked."""
        for label, change in (('grows', b'more'), ('shrinks', None)):
            with self.subTest(label):
                self.setUp()
                self.add_program()
                self.add('app.log', b'0123456789')
                write(self.output, b'an archive from an earlier run')
                checked = package_payload.check_folder

                def check_then_change(*args):
                    entries = checked(*args)
                    if change:
                        with open(self.path('app.log'), 'ab') as log:
                            log.write(change)
                    else:
                        os.truncate(self.path('app.log'), 3)
                    return entries

                with mock.patch.object(package_payload, 'check_folder', check_then_change):
                    status, lines = self.pack()
                self.expect_refused(status, lines, self.path('app.log'),
                                    'the file changed while it was packed')

    def test_the_sample_payload_carries_only_quillmere(self):
        """Without a folder the build packs the sample, which holds Quillmere.exe."""
        program = os.path.join(self.scratch, 'Quillmere.exe')
        write(program, PROGRAM)
        sources = os.path.join(TOOLS, '..', 'assets', 'payload')
        for product, status in (('Quillmere', 0), ('Brightwick', 1)):
            with self.subTest(product=product):
                write(self.output, b'an archive from an earlier run')
                run = subprocess.run(
                    [sys.executable, os.path.join(TOOLS, 'make_payload.py'), '--exe', program,
                     '--sources', sources, '--product', product, '--install-folder',
                     'C:\\Velmora软件\\' + product, '--output', self.output],
                    capture_output=True, text=True)
                self.assertEqual(run.returncode, status, run.stderr)
                self.assertEqual(os.path.exists(self.output), status == 0)
                if status:
                    self.assertEqual(run.stderr.splitlines(), [
                        'package: refused: %s (the sample payload): no Brightwick.exe at its '
                        'top: the installer checks for, links and starts exactly that program'
                        % sources])

    def test_a_folder_reached_twice_through_a_bind_mount(self):
        if subprocess.run(['unshare', '-rm', 'true'], capture_output=True).returncode != 0:
            self.skipTest('no mount namespace can be made here')
        named = reached_twice(self)
        write(self.output, b'an archive from an earlier run')
        # In a mount namespace of its own, so the mount ends with the packer.
        script = ('mount --bind "$1/assets" "$1/mirror" && exec "$2" "$3" --folder "$1" '
                  '--product %s --install-folder "C:\\\\x" --output "$4"' % PRODUCT)
        run = subprocess.run(['unshare', '-rm', 'sh', '-c', script, 'sh', self.payload,
                              sys.executable, os.path.join(TOOLS, 'package_payload.py'),
                              self.output], capture_output=True, text=True)
        self.expect_refused(run.returncode, run.stderr.splitlines(), named,
                            "the folder 'assets' reached a second time")


if __name__ == '__main__':
    unittest.main()
