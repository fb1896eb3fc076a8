"""Folders to pack and a way to pack them as the build does, for the packager's tests."""

import contextlib
import io
import os
import shutil
import tempfile
import unittest

import package_payload

PRODUCT = 'Brightwick'
INSTALL_FOLDER = 'C:\\Velmora软件\\Brightwick'
# The smallest file that passes for a Windows program.
PROGRAM = b'MZ' + bytes(62)


def write(path, data=b'', mode=None, mtime=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as out:
        out.write(data)
    if mode is not None:
        os.chmod(path, mode)
    if mtime is not None:
        os.utime(path, (mtime, mtime))


class PackCase(unittest.TestCase):
    """A scratch folder per test: `payload` is the product's folder, `output` where the
    archive goes."""

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix='package-test-')
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.payload = os.path.join(self.scratch, 'payload')
        self.output = os.path.join(self.scratch, 'payload.zip')
        os.mkdir(self.payload)

    def path(self, name):
        return os.path.join(self.payload, name)

    def add(self, name, data=b'x', **kwargs):
        write(self.path(name), data, **kwargs)

    def add_program(self, name=PRODUCT + '.exe'):
        self.add(name, PROGRAM)

    def pack(self, folder=None, product=PRODUCT, depfile=None):
        """Runs the packer's command line in this process; gives its exit status and the
        lines it wrote to standard error."""
        args = ['--folder', folder or self.payload, '--product', product,
                '--install-folder', INSTALL_FOLDER, '--output', self.output]
        if depfile:
            args += ['--depfile', depfile]
        errors = io.StringIO()
        with contextlib.redirect_stderr(errors), contextlib.redirect_stdout(io.StringIO()):
            status = package_payload.main(args)
        return status, errors.getvalue().splitlines()
