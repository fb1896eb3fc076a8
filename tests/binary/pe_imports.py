#!/usr/bin/env python3
"""Lists the DLLs a Windows program loads before its first instruction runs (its import
table, delay-loaded imports included) and fails on any DLL the loader would look for
beside the program first, that is any DLL that is not one of the system's known DLLs.

    pe_imports.py [--expect-refused DLL,DLL...] PROGRAM...

With --expect-refused the check is inverted for a probe program: it passes only when
exactly the named DLLs are refused."""
import argparse
import struct
import sys

# Known DLLs on Windows 7 to 11 (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\
# KnownDLLs): the loader takes them from the system folder whatever lies beside a program.
KNOWN_DLLS = {
    "advapi32.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll", "imagehlp.dll",
    "imm32.dll", "kernel32.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll",
    "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "setupapi.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}
IMPORT_DIRECTORY = 1
DELAY_IMPORT_DIRECTORY = 13


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not a Windows program")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE header")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<8xIIII", data, table + 40 * i)
                         for i in range(sections)]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw + rva - address
        raise ValueError(f"address {rva:#x} lies in no section")

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def dll_names(self, directory, entry_size, name_field):
        rva, size = self.directories[directory]
        names = []
        if not rva:
            return names
        at = self.offset(rva)
        while True:
            entry = self.data[at:at + entry_size]
            if len(entry) < entry_size or not any(entry):
                return names
            names.append(self.text(struct.unpack_from("<I", entry, name_field)[0]))
            at += entry_size

    def imported_dlls(self):
        return (self.dll_names(IMPORT_DIRECTORY, 20, 12) +
                self.dll_names(DELAY_IMPORT_DIRECTORY, 32, 4))


def refused_imports(path):
    with open(path, "rb") as program:
        dlls = Image(program.read()).imported_dlls()
    return sorted({dll.lower() for dll in dlls} - KNOWN_DLLS), dlls


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--expect-refused", default=None)
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    failed = False
    for path in args.programs:
        refused, dlls = refused_imports(path)
        print(f"{path}: imports {', '.join(dlls)}")
        if args.expect_refused is not None:
            expected = sorted(dll.lower() for dll in args.expect_refused.split(","))
            if refused != expected:
                print(f"  refused {refused}, expected {expected}")
                failed = True
        elif refused:
            print(f"  not a known DLL, so plantable beside the program: {', '.join(refused)}")
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
