"""The packer against the one table of entry names that the installer's extraction is
tested with (tests/data/entry_names.txt): it refuses exactly the names the extraction
refuses, by its rules and also on a real folder where Linux can hold the name."""

import os
import re
import unittest
import zipfile

import payload_rules
from package_payload import shown
from package_support import PackCase

TABLE = os.path.join(os.path.dirname(__file__), '..', 'data', 'entry_names.txt')


def load_table():
    """(name, verdict) rows; '\\xNN' in a name stands for the character U+00NN."""
    rows = []
    with open(TABLE, encoding='utf-8') as table:
        for line in table:
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            verdict, name = line.split('\t', 1)
            name = re.sub(r'\\x([0-9A-Fa-f]{2})', lambda m: chr(int(m.group(1), 16)), name)
            rows.append((name, {'ok': True, 'refused': False}[verdict]))
    return rows


def holdable_on_linux(name):
    """A name a Linux folder can hold as it stands: no element that Linux itself reads as
    this or the parent folder, none empty."""
    return all(element not in ('', '.', '..') for element in name.split('/'))


class EntryNames(PackCase):
    def test_the_table_is_there(self):
        rows = load_table()
        self.assertTrue(any(ok for _, ok in rows) and any(not ok for _, ok in rows))

    def test_rules_refuse_exactly_what_the_extraction_refuses(self):
        for name, ok in load_table():
            with self.subTest(name=name):
                self.assertEqual(payload_rules.entry_name_problem(name) is None, ok,
                                 payload_rules.entry_name_problem(name))

    def test_a_folder_holding_the_name_is_packed_or_refused_alike(self):
        for name, ok in load_table():
            if not holdable_on_linux(name):
                continue
            with self.subTest(name=name):
                self.setUp()
                self.add_program()
                self.add(name, b'entry')
                status, lines = self.pack()
                if ok:
                    self.assertEqual((status, lines), (0, []))
                    with zipfile.ZipFile(self.output) as archive:
                        stored = [info.orig_filename.encode('cp437') for info in archive.infolist()]
                    self.assertIn(name.encode('gbk'), stored)
                else:
                    self.assertEqual(status, 1)
                    self.assertEqual(len(lines), 1, lines)
                    # The line names the first element on the way that breaks a rule.
                    elements = name.split('/')
                    on_the_way = [self.path('/'.join(elements[:end]))
                                  for end in range(1, len(elements) + 1)]
                    self.assertTrue(any(lines[0].startswith('package: refused: %s: ' % shown(p))
                                        for p in on_the_way), lines[0])
                    self.assertFalse(os.path.exists(self.output))


if __name__ == '__main__':
    unittest.main()
