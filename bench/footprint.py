#!/usr/bin/env python3
"""What setup.exe is made of: its size, the embedded blocks, and the stub that remains,
with the stub's largest contributors by library, by object and by symbol.

The blocks are read from the generated embedded.S (each `byte_block Name, "file"` line is
one block: an 8-byte header and the file). The program's icon counts with the pictures: the
data of its RT_ICON and RT_GROUP_ICON resources, read from the file's resource section. The
contributors come from the linker map and the symbol table of an unstripped link of the
same objects, since the shipped setup.exe has no symbols. Writes JSON to standard output.
"""
import argparse
import collections
import json
import os
import re
import struct
import subprocess
import sys

# Sections that take room in the file; .bss does not.
FILE_SECTIONS = {".text", ".data", ".rdata", ".pdata", ".xdata", ".idata", ".CRT", ".tls",
                 ".rsrc", ".reloc", ".edata"}
BLOCK_OBJECT = "embedded.S.obj"


def embedded_blocks(embedded_s):
    blocks = []
    pattern = re.compile(r'^\s*byte_block\s+(\w+),\s*"([^"]+)"')
    with open(embedded_s) as f:
        for line in f:
            match = pattern.match(line)
            if match:
                name, path = match.groups()
                blocks.append({"name": name, "file": path, "bytes": 8 + os.path.getsize(path)})
    return blocks


RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


def resource_sizes(exe):
    """Bytes of resource data by resource type id, from the PE file's resource section."""
    with open(exe, "rb") as f:
        data = f.read()
    u16 = lambda at: struct.unpack_from("<H", data, at)[0]
    u32 = lambda at: struct.unpack_from("<I", data, at)[0]
    pe = u32(0x3C)
    sections = u16(pe + 6)
    optional = pe + 24
    directories = optional + (112 if u16(optional) == 0x20B else 96)
    resources_rva = u32(directories + 2 * 8)
    table = optional + u16(pe + 20)
    spans = [(u32(table + 40 * i + 12), u32(table + 40 * i + 16), u32(table + 40 * i + 20))
             for i in range(sections)]

    def offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("RVA %#x is in no section" % rva)

    sizes = collections.Counter()
    if not resources_rva:
        return sizes
    root = offset(resources_rva)

    def entries(directory):
        count = u16(directory + 12) + u16(directory + 14)
        return [(u32(directory + 16 + 8 * i), u32(directory + 20 + 8 * i)) for i in range(count)]

    def data_bytes(target):
        if target & 0x80000000:
            return sum(data_bytes(t) for _, t in entries(root + (target & 0x7FFFFFFF)))
        return u32(root + target + 4)

    for type_id, target in entries(root):
        sizes[type_id] += data_bytes(target)
    return sizes


def owner(path):
    """(library, object) for an input file of the link."""
    path = path.strip()
    match = re.match(r"(.*)\((.*)\)$", path)
    if match:
        return os.path.basename(match.group(1)), os.path.basename(match.group(2))
    name = os.path.basename(path)
    return name, name


def map_contributions(map_file):
    """Bytes per (library, object) in the sections that take room in the file."""
    sizes = collections.Counter()
    section = None
    pending = None
    entry = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
    started = False
    with open(map_file) as f:
        for line in f:
            line = line.rstrip("\n")
            if not started:
                started = line.startswith("Linker script and memory map")
                continue
            if line and not line[0].isspace():
                section = line.split()[0]
                pending = None
                continue
            if section not in FILE_SECTIONS:
                continue
            stripped = line.strip()
            if stripped.startswith("*") or not stripped:
                pending = None
                continue
            parts = stripped.split()
            if stripped.startswith(".") and len(parts) == 1:
                pending = parts[0]  # the addresses follow on the next line
                continue
            if stripped.startswith("."):
                rest = line[line.index(parts[0]) + len(parts[0]):]
            elif pending is not None:
                rest = line
            else:
                continue
            pending = None
            match = entry.match(rest)
            if not match or "0x" in match.group(3)[:2]:
                continue
            size = int(match.group(2), 16)
            if size:
                sizes[owner(match.group(3))] += size
    return sizes


def symbol_sizes(nm, exe):
    """The largest code and data symbols in the file (not .bss), with sizes as nm gives
    them for PE files: the distance to the next symbol."""
    out = subprocess.run([nm, "--size-sort", "-S", "-C", exe], check=True,
                         capture_output=True, text=True).stdout
    symbols = []
    for line in out.splitlines():
        parts = line.split(None, 3)
        if len(parts) != 4 or parts[2] not in "TtRrDd" or parts[3].startswith("."):
            continue
        symbols.append({"name": parts[3], "kind": parts[2], "bytes": int(parts[1], 16)})
    return symbols


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--embedded-s", required=True)
    parser.add_argument("--map", required=True)
    parser.add_argument("--unstripped", required=True)
    parser.add_argument("--nm", required=True)
    parser.add_argument("--top", type=int, default=12)
    args = parser.parse_args()

    blocks = embedded_blocks(args.embedded_s)
    block_names = {b["name"] for b in blocks}
    total = os.path.getsize(args.exe)
    payload = sum(b["bytes"] for b in blocks if b["name"] == "PayloadArchive")
    resources = resource_sizes(args.exe)
    icons = resources[RT_ICON] + resources[RT_GROUP_ICON]
    pictures = sum(b["bytes"] for b in blocks if b["name"] != "PayloadArchive") + icons

    contributions = map_contributions(args.map)
    by_library = collections.Counter()
    by_object = collections.Counter()
    for (library, obj), size in contributions.items():
        if obj == BLOCK_OBJECT:
            continue
        by_library[library] += size
        by_object["%s(%s)" % (library, obj) if library != obj else obj] += size
    symbols = [s for s in symbol_sizes(args.nm, args.unstripped) if s["name"] not in block_names]
    symbols.sort(key=lambda s: -s["bytes"])

    json.dump({
        "total": total,
        "payload": payload,
        "pictures": pictures,
        "icons": icons,
        "version_resource": resources[RT_VERSION],
        "stub": total - payload - pictures,
        "blocks": blocks,
        "stub_sections_total": sum(by_library.values()),
        "by_library": by_library.most_common(args.top),
        "by_object": by_object.most_common(args.top),
        "by_symbol": symbols[:args.top],
    }, sys.stdout, indent=1)


if __name__ == "__main__":
    main()
