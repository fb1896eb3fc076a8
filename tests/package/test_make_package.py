"""`make package` as a user runs it (tools/package.sh, which the Makefile calls): for each
request, the one line it prints, its exit status, and the installer it leaves, or none.

usage: test_make_package.py <build dir> <default setup.exe> [cmake option...]
  The build dir is the package build of these tests; the default setup.exe is the one the
  project's own build made, which the sample package must equal byte for byte.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

from package_support import PROGRAM, write

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
BUILD, DEFAULT_SETUP, CMAKE_OPTIONS = None, None, []


def folder_with(*names):
    """A payload folder holding each name, programs as programs."""
    def make(root):
        for name in names:
            write(os.path.join(root, name), PROGRAM if name.endswith('.exe') else b'text')
        return root
    return make


# label, catalogue entry, payload (None for the sample), what is expected: the product
# and its archive's entries, or a piece of the refusal.
ROWS = [
    ('entry 0', '0', None, "refused: PRODUCT=0: INSTALLER_PRODUCT is '0': it must be a "
                           'catalogue entry, 1 to 24'),
    ('entry 25', '25', None, 'refused: PRODUCT=25: '),
    ('no number', 'one', None, 'refused: PRODUCT=one: '),
    ('entry 1 with the sample', '1', None, 'no Brightwick.exe at its top'),
    ('entry 1 with a device name', '1', folder_with('Brightwick.exe', 'data/nul.txt'),
     'data/nul.txt: '),
    ('entry 1', '1', folder_with('Brightwick.exe', 'readme.txt', '文档/说明.txt'),
     ('Brightwick', 4)),
    ('entry 24', '24', folder_with('Yarrowby.exe'), ('Yarrowby', 1)),
    ('entry 18 with the sample', '18', None, ('Quillmere', 11)),
]


def embedded_archive(installer, archive):
    """Whether the installer holds the archive as a byte block: 1, its length, its bytes."""
    with open(installer, 'rb') as exe, open(archive, 'rb') as payload:
        data = payload.read()
        return ((1).to_bytes(4, 'little') + len(data).to_bytes(4, 'little') + data) in exe.read()


class MakePackage(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix='make-package-test-')
        self.addCleanup(shutil.rmtree, self.scratch, True)

    def package(self, product, payload):
        output = os.path.join(self.scratch, 'out', 'setup.exe')
        write(output, b'an installer from an earlier run')
        run = subprocess.run(['bash', os.path.join(ROOT, 'tools', 'package.sh'), BUILD, product,
                              payload or '', output] + CMAKE_OPTIONS,
                             capture_output=True, text=True)
        return run, output

    def expect_installer(self, run, output, product, entry, entries):
        self.assertEqual(run.returncode, 0, run.stderr)
        size = os.path.getsize(output)
        self.assertEqual(run.stdout.splitlines(), [
            'package: %s: %d bytes, %d entries, %s (catalogue entry %s)'
            % (output, size, entries, product, entry)])
        archive = os.path.join(BUILD, 'assets', 'payload.zip')
        with zipfile.ZipFile(archive) as payload:
            self.assertEqual(len(payload.infolist()), entries)
            self.assertIn(product + '.exe', payload.namelist())
        self.assertTrue(embedded_archive(output, archive))
        with open(os.path.join(BUILD, 'generated', 'core', 'catalogue_text.h')) as header:
            self.assertIn('#define CATALOGUE_INSTALLED_PRODUCT %s\n' % entry, header.read())

    def test_each_request_gives_its_installer_or_one_refusal(self):
        for label, entry, make, expected in ROWS:
            with self.subTest(label):
                payload = make(os.path.join(self.scratch, label)) if make else None
                run, output = self.package(entry, payload)
                if isinstance(expected, tuple):
                    self.expect_installer(run, output, expected[0], entry, expected[1])
                    continue
                self.assertNotEqual(run.returncode, 0)
                self.assertEqual(run.stdout, '')
                lines = run.stderr.splitlines()
                self.assertEqual(len(lines), 1, run.stderr)
                self.assertTrue(lines[0].startswith('package: refused: '), lines[0])
                self.assertIn(expected, lines[0])
                self.assertFalse(os.path.exists(output), 'an installer is left at the output')

    def test_the_sample_package_is_the_default_build(self):
        run, output = self.package('18', None)
        self.assertEqual(run.returncode, 0, run.stderr)
        with open(output, 'rb') as packaged, open(DEFAULT_SETUP, 'rb') as default:
            self.assertTrue(packaged.read() == default.read(),
                            'make package differs from the default build')


if __name__ == '__main__':
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    BUILD, DEFAULT_SETUP, CMAKE_OPTIONS = sys.argv[1], sys.argv[2], sys.argv[3:]
    unittest.main(argv=sys.argv[:1])
