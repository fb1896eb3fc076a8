#!/usr/bin/env python3
"""Packs a product's folder into the archive the installer carries, or refuses it.

Usage: package_payload.py --folder DIR --product NAME --install-folder PATH
                          --output payload.zip [--depfile payload.d]

Every file and folder below DIR becomes an entry named by its path relative to DIR: a
folder's entry before what it holds, the files of a folder before its subfolders, each
level in name order, so that the same folder gives the same bytes. A file keeps its
modification time (stored as UTC, which the installer's extraction applies as it
stands) and is marked 0x21 when read-only, 0x20 otherwise; folders are 0x10.

A folder that would give a broken installer is refused: one line per problem on
standard error, "package: refused: <file>: <rule>", exit status 1, and no archive (one
left at --output by an earlier run is removed, so that nothing stale is built in).
PATH is the default install folder (for example C:\\Velmora软件\\NAME), against which
path lengths are checked. The depfile lists every file and folder read, for Ninja.
"""

import argparse
import os
import stat
import sys
import time
from dataclasses import dataclass

import payload_rules as rules
import payload_zip

EARLIEST_DOS_TIME = (1980, 1, 1, 0, 0, 0)
LATEST_DOS_TIME = (2107, 12, 31, 23, 59, 58)


@dataclass
class Entry:
    name: str  # relative to the payload folder, '/' between folders, no trailing '/'
    path: str
    folder: bool
    size: int
    mode: int
    mtime: float


class Refusal:
    """The problems found so far, each a path and the rule it breaks."""

    def __init__(self):
        self.problems = []

    def add(self, path, rule):
        if rule:
            self.problems.append((path, rule))
        return bool(rule)

    def __bool__(self):
        return bool(self.problems)


def shown(path):
    """A path as text on one line, whatever bytes its name has."""
    text = os.fsencode(path).decode('utf-8', 'backslashreplace')
    return ''.join('\\x%02x' % ord(char) if ord(char) < 32 else char for char in text)


def dos_time(mtime):
    """The UTC fields of a modification time, within what an MS-DOS time can hold."""
    try:
        fields = time.gmtime(mtime // 1)[:6]
    except (OverflowError, OSError, ValueError):
        return LATEST_DOS_TIME if mtime > 0 else EARLIEST_DOS_TIME
    return min(max(fields, EARLIEST_DOS_TIME), LATEST_DOS_TIME)


def dos_attributes(entry):
    if entry.folder:
        return payload_zip.ATTR_DIRECTORY
    if entry.mode & stat.S_IWUSR:
        return payload_zip.ATTR_ARCHIVE
    return payload_zip.ATTR_ARCHIVE | payload_zip.ATTR_READONLY


def kind_problem(status, seen, name):
    """Links and anything but plain files and folders; a folder seen before under another
    name (a bind mount) would be carried twice."""
    # A junction on Windows is a reparse point without being a link to Python.
    if stat.S_ISLNK(status.st_mode) or getattr(status, 'st_reparse_tag', 0):
        return 'a symbolic link: the installer carries files and folders only'
    if stat.S_ISDIR(status.st_mode):
        first = seen.setdefault((status.st_dev, status.st_ino), name)
        if first != name:
            return ("the folder '%s' reached a second time: its files would be carried twice"
                    % (first or '.'))
        return None
    if not stat.S_ISREG(status.st_mode):
        return 'neither a file nor a folder (a device, pipe or socket)'
    return None


def entry_problem(entry, by_case, install_folder):
    problem = rules.entry_problem(install_folder, entry.name, entry.folder)
    if problem:
        return problem
    other = by_case.setdefault(rules.case_key(entry.name), entry.name)
    if other != entry.name:
        return "differs from '%s' only in case: Windows keeps one file for both" % other
    return None if entry.folder else rules.file_size_problem(entry.size)


def list_folder(path, refusal):
    try:
        with os.scandir(path) as listing:
            return sorted(listing, key=lambda child: child.name)
    except OSError as error:
        refusal.add(path, 'cannot be read: %s' % error.strerror)
        return []


def scan(top, install_folder, refusal):
    """Every entry below `top` in archive order; what breaks a rule is left out, and only
    the problem is kept (a refused folder is not entered)."""
    top_status = os.stat(top)
    seen = {(top_status.st_dev, top_status.st_ino): ''}
    by_case = {}
    entries = []
    # Depth first without recursion, which deep trees would exhaust: a folder's entry
    # is taken when it is popped, right before its own files.
    pending = [Entry('', top, True, 0, 0, 0)]
    while pending:
        folder = pending.pop()
        if folder.name:
            entries.append(folder)
        prefix = folder.name + '/' if folder.name else ''
        subfolders = []
        for child in list_folder(folder.path, refusal):
            name = prefix + child.name
            try:
                # Not the listing's cached status: on Windows it has no file number.
                status = os.lstat(child.path)
            except OSError as error:
                refusal.add(child.path, 'cannot be read: %s' % error.strerror)
                continue
            if refusal.add(child.path, kind_problem(status, seen, name)):
                continue
            entry = Entry(name, child.path, stat.S_ISDIR(status.st_mode), status.st_size,
                          status.st_mode, status.st_mtime)
            if refusal.add(child.path, entry_problem(entry, by_case, install_folder)):
                continue
            (subfolders if entry.folder else entries).append(entry)
        pending.extend(reversed(subfolders))
    return entries


def read_head(path):
    with open(path, 'rb') as source:
        return source.read(2)


def check_folder(folder, product, install_folder, refusal):
    """The entries of `folder` in archive order, with every problem in `refusal`."""
    if not os.path.isdir(folder):
        refusal.add(folder, 'no such folder' if not os.path.exists(folder) else 'not a folder')
        return []
    entries = scan(folder, install_folder, refusal)
    if not entries and not refusal:
        refusal.add(folder, 'the folder is empty')
        return []
    if not refusal:
        top_files = [e.name for e in entries if not e.folder and '/' not in e.name]
        refusal.add(folder, rules.product_problem(
            top_files, product, lambda name: read_head(os.path.join(folder, name))))
    refusal.add(folder, rules.entry_count_problem(len(entries)))
    return entries


def write_archive(path, folder, entries, refusal):
    """Writes the entries; stops at the first file that cannot be read or changed while it
    was read, and as soon as the archive outgrows what the installer can carry."""
    with payload_zip.open_archive(path) as archive:
        for entry in entries:
            date_time = dos_time(entry.mtime)
            if entry.folder:
                payload_zip.add_folder(archive, entry.name + '/', date_time)
            else:
                try:
                    with open(entry.path, 'rb') as source:
                        size = payload_zip.add_file(archive, entry.name, source, entry.size,
                                                    dos_attributes(entry), date_time)
                except OSError as error:
                    refusal.add(entry.path, 'cannot be read: %s' % error.strerror)
                    return
                except (RuntimeError, payload_zip.zipfile.LargeZipFile):
                    size = None
                if size != entry.size:
                    refusal.add(entry.path, 'the file changed while it was packed; try again')
                    return
            if refusal.add(folder, rules.archive_size_problem(archive.fp.tell())):
                return
    refusal.add(folder, rules.archive_size_problem(os.path.getsize(path)))


def depfile_path(path):
    return path.replace('\\', '\\\\').replace(' ', '\\ ').replace('#', '\\#').replace('$', '$$')


def write_depfile(depfile, output, folder, entries):
    """What Ninja must watch: every file, and every folder, whose time changes when an
    entry is added, removed or renamed."""
    inputs = [folder] + [entry.path for entry in entries]
    with open(depfile, 'w', encoding='utf-8', errors='surrogateescape') as out:
        out.write('%s: \\\n' % depfile_path(output))
        out.write(' \\\n'.join('  ' + depfile_path(path) for path in inputs))
        out.write('\n')


def remove(path):
    if os.path.lexists(path):
        os.remove(path)


def package(folder, product, install_folder, output, depfile=None):
    """Writes the archive for `folder` to `output`; gives the problems that prevented it
    (none on success) and the number of entries written."""
    refusal = Refusal()
    folder = os.path.abspath(folder)
    entries = check_folder(folder, product, install_folder, refusal)
    # Written beside the target and renamed, so that an interrupted or refused run never
    # leaves an archive that the build would take as up to date.
    partial = output + '.partial'
    try:
        remove(output)
        if not refusal:
            write_archive(partial, folder, entries, refusal)
        if not refusal:
            os.replace(partial, output)
            if depfile:
                write_depfile(depfile, output, folder, entries)
    finally:
        remove(partial)
    return refusal.problems, len(entries)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--folder', required=True, help="the product's files")
    parser.add_argument('--product', required=True,
                        help='the product name; NAME.exe must be at the top')
    parser.add_argument('--install-folder', required=True, help='the default install folder')
    parser.add_argument('--output', required=True, help='payload.zip to write')
    parser.add_argument('--depfile', help='Ninja dependency file to write')
    args = parser.parse_args(argv)

    problems, count = package(args.folder, args.product, args.install_folder, args.output,
                              args.depfile)
    for path, rule in problems:
        print('package: refused: %s: %s' % (shown(path), rule), file=sys.stderr)
    if problems:
        return 1
    print('%s: %d entries, %d bytes' % (args.output, count, os.path.getsize(args.output)))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
