#!/usr/bin/env python3
"""Makes hostile variants of a ZIP archive for the extraction benchmark's robustness run.

Case n is built from the archive by a random generator seeded with (seed, n) alone, so
any batch of cases can be made on its own and case n is the same in every run. Each case
gets one mutation of a kind taken in turn from KINDS, and sometimes a second, random one.

Writes into the output folder:
  case_NNNN.zip   the hostile archives
  cases.tsv       case number, kinds, and what was done
  expect.tsv      case number, CRC-32 in hex and entry name in hex: every (name, CRC) pair
                  that any header of the hostile archive or of the original declares. A file
                  left by an extraction that reported success or a clean stop must have
                  the CRC of one of the entries of its name.
Names that try to leave the target folder contain MARKER, so that a file that did leave
it can be found anywhere afterwards.
"""
import argparse
import os
import random
import re
import struct

MARKER = b"hostile-escape"
LOCAL_SIG = 0x04034B50
CENTRAL_SIG = 0x02014B50
END_SIG = 0x06054B50


class Entry:
    """One entry with its local header and central record kept apart, so that a mutation
    can make them disagree."""

    def __init__(self, local, central, name, local_extra, central_extra, comment, data):
        self.local = local        # dict of local header fields
        self.central = central    # dict of central record fields
        self.local_name = name
        self.central_name = name
        self.local_extra = local_extra
        self.central_extra = central_extra
        self.comment = comment
        self.data = data


def parse(archive):
    """The entries of a well-formed archive (the original payload)."""
    end = archive.rindex(struct.pack("<I", END_SIG))
    (_, _, _, _, count, _, cd_offset, comment_length) = struct.unpack_from("<IHHHHIIH", archive, end)
    comment = archive[end + 22:end + 22 + comment_length]
    entries = []
    at = cd_offset
    for _ in range(count):
        fields = struct.unpack_from("<IHHHHHHIIIHHHHHII", archive, at)
        (sig, made, needed, flags, method, time, date, crc, csize, usize, name_len, extra_len,
         comment_len, disk, internal, external, offset) = fields
        assert sig == CENTRAL_SIG
        name = archive[at + 46:at + 46 + name_len]
        extra = archive[at + 46 + name_len:at + 46 + name_len + extra_len]
        entry_comment = archive[at + 46 + name_len + extra_len:
                                at + 46 + name_len + extra_len + comment_len]
        at += 46 + name_len + extra_len + comment_len
        lfields = struct.unpack_from("<IHHHHHIIIHH", archive, offset)
        (lsig, lneeded, lflags, lmethod, ltime, ldate, lcrc, lcsize, lusize, lname_len,
         lextra_len) = lfields
        assert lsig == LOCAL_SIG
        lextra = archive[offset + 30 + lname_len:offset + 30 + lname_len + lextra_len]
        data_start = offset + 30 + lname_len + lextra_len
        data = archive[data_start:data_start + csize]
        local = dict(needed=lneeded, flags=lflags, method=lmethod, time=ltime, date=ldate,
                     crc=lcrc, csize=lcsize, usize=lusize)
        central = dict(made=made, needed=needed, flags=flags, method=method, time=time,
                       date=date, crc=crc, csize=csize, usize=usize, disk=disk,
                       internal=internal, external=external)
        entries.append(Entry(local, central, name, lextra, extra, entry_comment, data))
    return entries, comment


class Layout:
    """Overrides for what the serialiser would otherwise compute."""

    def __init__(self):
        self.offsets = {}          # entry index -> local header offset to record
        self.name_lengths = {}     # entry index -> (local, central) name length fields
        self.extra_lengths = {}    # entry index -> (local, central) extra length fields
        self.count = None          # entry count in the end record
        self.cd_offset_delta = 0
        self.cd_size_delta = 0
        self.comment_length = None


def serialise(entries, comment, layout):
    out = bytearray()
    offsets = []
    for index, e in enumerate(entries):
        offsets.append(len(out))
        l = e.local
        name_len, _ = layout.name_lengths.get(index, (len(e.local_name), None))
        extra_len, _ = layout.extra_lengths.get(index, (len(e.local_extra), None))
        out += struct.pack("<IHHHHHIIIHH", LOCAL_SIG, l["needed"], l["flags"], l["method"],
                           l["time"], l["date"], l["crc"] & 0xFFFFFFFF,
                           l["csize"] & 0xFFFFFFFF, l["usize"] & 0xFFFFFFFF,
                           name_len & 0xFFFF, extra_len & 0xFFFF)
        out += e.local_name + e.local_extra + e.data
    cd_start = len(out)
    for index, e in enumerate(entries):
        c = e.central
        _, name_len = layout.name_lengths.get(index, (None, len(e.central_name)))
        _, extra_len = layout.extra_lengths.get(index, (None, len(e.central_extra)))
        offset = layout.offsets.get(index, offsets[index])
        out += struct.pack("<IHHHHHHIIIHHHHHII", CENTRAL_SIG, c["made"], c["needed"],
                           c["flags"], c["method"], c["time"], c["date"],
                           c["crc"] & 0xFFFFFFFF, c["csize"] & 0xFFFFFFFF,
                           c["usize"] & 0xFFFFFFFF, name_len & 0xFFFF, extra_len & 0xFFFF,
                           len(e.comment), c["disk"], c["internal"], c["external"],
                           offset & 0xFFFFFFFF)
        out += e.central_name + e.central_extra + e.comment
    cd_size = len(out) - cd_start
    count = len(entries) if layout.count is None else layout.count
    comment_length = len(comment) if layout.comment_length is None else layout.comment_length
    out += struct.pack("<IHHHHIIH", END_SIG, 0, 0, count & 0xFFFF, count & 0xFFFF,
                       (cd_size + layout.cd_size_delta) & 0xFFFFFFFF,
                       (cd_start + layout.cd_offset_delta) & 0xFFFFFFFF,
                       comment_length & 0xFFFF)
    out += comment
    return bytes(out)


def declared_pairs(archive):
    """Every (name, CRC) that some local header or central record in the bytes declares,
    read by signature wherever it appears, so damaged archives are covered too."""
    pairs = set()
    for sig, crc_at, name_len_at, name_at in ((LOCAL_SIG, 14, 26, 30), (CENTRAL_SIG, 16, 28, 46)):
        needle = struct.pack("<I", sig)
        at = archive.find(needle)
        while at >= 0:
            if at + name_at <= len(archive):
                crc = struct.unpack_from("<I", archive, at + crc_at)[0]
                name_len = struct.unpack_from("<H", archive, at + name_len_at)[0]
                name = archive[at + name_at:at + name_at + name_len]
                pairs.add((name, crc))
            at = archive.find(needle, at + 1)
    return pairs


# ---- mutations -------------------------------------------------------------------------
# Each takes (rng, entries, comment, layout, case) and gives a short description. Those
# that act on the finished bytes are in BYTE_KINDS and take (rng, data) instead.

def pick_file(rng, entries):
    files = [i for i, e in enumerate(entries) if not e.central_name.endswith(b"/")]
    return rng.choice(files)


def which_headers(rng):
    return rng.choice(["central", "local", "both"])


def set_field(entry, where, field, value):
    if where in ("central", "both"):
        entry.central[field] = value
    if where in ("local", "both"):
        entry.local[field] = value


def bad_crc(rng, entries, comment, layout, case):
    i = pick_file(rng, entries)
    where = which_headers(rng)
    value = rng.choice([0, 0xFFFFFFFF, entries[i].central["crc"] ^ (1 << rng.randrange(32)),
                        rng.getrandbits(32)])
    set_field(entries[i], where, "crc", value)
    return "crc of entry %d in %s set to %08x" % (i, where, value)


def bad_size(rng, entries, comment, layout, case):
    i = rng.randrange(len(entries))
    where = which_headers(rng)
    field = rng.choice(["csize", "usize", "both"])
    done = []
    for f in (["csize", "usize"] if field == "both" else [field]):
        old = entries[i].central[f]
        value = rng.choice([0, 1, old - 1, old + 1, old * 2, old // 2, 0xFFFFFFFF, 0x7FFFFFFF,
                            rng.getrandbits(32)]) & 0xFFFFFFFF
        set_field(entries[i], where, f, value)
        done.append("%s=%d" % (f, value))
    return "entry %d in %s: %s" % (i, where, " ".join(done))


def duplicate_name(rng, entries, comment, layout, case):
    i, j = rng.sample(range(len(entries)), 2)
    how = rng.choice(["rename", "copy", "folder-as-file", "file-as-folder"])
    if how == "rename":
        # Entry i takes the name of entry j, data and CRC unchanged.
        entries[i].local_name = entries[i].central_name = entries[j].central_name
        return "entry %d renamed to the name of entry %d" % (i, j)
    if how == "copy":
        # A second entry of j's name with i's content, placed later in the archive.
        k = pick_file(rng, entries)
        clone = clone_entry(entries[k])
        clone.local_name = clone.central_name = entries[pick_file(rng, entries)].central_name
        entries.insert(rng.randrange(len(entries) + 1), clone)
        return "copy of entry %d under another entry's name" % k
    folder = next(e.central_name for e in entries if e.central_name.endswith(b"/"))
    if how == "folder-as-file":
        # A file entry named like the folder, without the slash, before the folder.
        k = pick_file(rng, entries)
        clone = clone_entry(entries[k])
        clone.local_name = clone.central_name = folder.rstrip(b"/")
        entries.insert(0, clone)
        return "file entry named %r before the folder" % folder.rstrip(b"/")
    # A folder entry named like a file that comes later.
    k = pick_file(rng, entries)
    name = entries[k].central_name + b"/"
    folder_entry = clone_entry(next(e for e in entries if e.central_name.endswith(b"/")))
    folder_entry.local_name = folder_entry.central_name = name
    entries.insert(0, folder_entry)
    return "folder entry named like the file of entry %d" % k


def clone_entry(e):
    copy = Entry(dict(e.local), dict(e.central), e.central_name, e.local_extra,
                 e.central_extra, e.comment, e.data)
    copy.local_name = e.local_name
    return copy


TRAVERSALS = [
    b"../%s.txt", b"..\\%s.txt", b"sub/../../%s.txt", b"plugins/../../%s.txt",
    b"../../../../../../../../../../%s.txt", b"/%s.txt", b"\\%s.txt", b"C:/%s.txt",
    b"C:%s.txt", b"C:\\%s.txt", b"Z:/tmp/%s.txt", b"\\\\?\\C:\\%s.txt",
    b"//localhost/c$/%s.txt", b".../%s.txt", b".. /%s.txt", b"../. ./%s.txt", b"./../%s.txt",
    b"plugins/..\\..\\%s.txt", b"\x81/../%s.txt", b"..\x81\\%s.txt", b"ok\x00/../../%s.txt",
    b"../plugins/%s.txt", b"..%%2f%s.txt",
]


def traverse(rng, entries, comment, layout, case):
    pattern = rng.choice(TRAVERSALS)
    name = pattern % (MARKER + b"-%d" % case)
    where = rng.choice(["rename", "insert"])
    if where == "rename":
        i = pick_file(rng, entries)
        entries[i].local_name = entries[i].central_name = name
    else:
        clone = clone_entry(entries[pick_file(rng, entries)])
        clone.local_name = clone.central_name = name
        entries.insert(rng.randrange(len(entries) + 1), clone)
    return "%s entry named %r" % (where, name)


ODD_NAMES = [b"", b"CON", b"NUL.txt", b"AUX", b"COM1", b"LPT1.txt", b"con/x.txt",
             b"help.txt.", b"help.txt ", b"a" * 300, b"d/" * 140 + b"x.txt", b"*.txt",
             b"what?.txt", b"pipe|x.txt", b"<>.txt", b"plugins//x.txt", b"\xff\xfe.txt",
             b"\x81", b"x\x81", b"\x01\x02\x1f.txt", b".", b"./", b"plugins/."]


def odd_name(rng, entries, comment, layout, case):
    name = rng.choice(ODD_NAMES)
    i = pick_file(rng, entries)
    entries[i].local_name = entries[i].central_name = name
    return "entry %d named %r" % (i, name[:40])


def encrypted(rng, entries, comment, layout, case):
    where = which_headers(rng)
    targets = range(len(entries)) if rng.random() < 0.3 else [pick_file(rng, entries)]
    for i in targets:
        set_field(entries[i], where, "flags", entries[i].central["flags"] | 1)
    return "encryption flag on %s in %s" % (list(targets), where)


def method(rng, entries, comment, layout, case):
    i = pick_file(rng, entries)
    where = which_headers(rng)
    value = rng.choice([0, 1, 6, 9, 12, 14, 98, 99, 0xFFFF])
    set_field(entries[i], where, "method", value)
    return "method of entry %d in %s set to %d" % (i, where, value)


def offsets(rng, entries, comment, layout, case):
    what = rng.choice(["local-offset", "count", "cd-offset", "cd-size", "comment-length"])
    if what == "local-offset":
        i = rng.randrange(len(entries))
        layout.offsets[i] = rng.choice([0, 1, 30, 0xFFFFFFFF, rng.getrandbits(23),
                                        rng.getrandbits(32)])
        return "local header offset of entry %d set to %d" % (i, layout.offsets[i])
    if what == "count":
        layout.count = rng.choice([0, 1, len(entries) - 1, len(entries) + 1, 0xFFFF])
        return "entry count set to %d" % layout.count
    if what == "cd-offset":
        layout.cd_offset_delta = rng.choice([-46, -1, 1, 46, 1 << 20, -(1 << 20)])
        return "central directory offset moved by %d" % layout.cd_offset_delta
    if what == "cd-size":
        layout.cd_size_delta = rng.choice([-46, -1, 1, 1000, 1 << 24])
        return "central directory size changed by %d" % layout.cd_size_delta
    layout.comment_length = rng.choice([0, 1, 0xFFFF])
    return "comment length set to %d" % layout.comment_length


def extra_fields(rng, entries, comment, layout, case):
    i = rng.randrange(len(entries))
    what = rng.choice(["short-ut", "long-ut", "zip64", "overrun", "lengths"])
    if what == "short-ut":
        extra = struct.pack("<HHB", 0x5455, 1, 1)
    elif what == "long-ut":
        extra = struct.pack("<HHB", 0x5455, 60000, 1) + bytes(5)
    elif what == "zip64":
        extra = struct.pack("<HH", 0x0001, 24) + bytes(rng.getrandbits(8) for _ in range(24))
        entries[i].central["usize"] = entries[i].central["csize"] = 0xFFFFFFFF
    elif what == "overrun":
        extra = struct.pack("<HH", 0x7075, 200) + b"x" * 10
    else:
        extra = b""
        layout.extra_lengths[i] = (rng.choice([0, 7, 0xFFFF]), rng.choice([0, 9, 0xFFFF]))
    if what != "lengths":
        if rng.random() < 0.5:
            entries[i].central_extra = extra
        else:
            entries[i].local_extra = extra
    return "extra field of entry %d: %s" % (i, what)


def names_disagree(rng, entries, comment, layout, case):
    i = pick_file(rng, entries)
    if rng.random() < 0.5:
        entries[i].local_name = entries[i].local_name + b"-longer-in-local-header"
        return "local name of entry %d longer than the central one" % i
    layout.name_lengths[i] = (rng.choice([0, 1, 0xFFFF]), rng.choice([0, 1, 0xFFFF]))
    return "name length fields of entry %d set to %s" % (i, layout.name_lengths[i])


def data_descriptor(rng, entries, comment, layout, case):
    i = pick_file(rng, entries)
    where = which_headers(rng)
    set_field(entries[i], where, "flags", entries[i].central["flags"] | 8)
    if rng.random() < 0.5:
        entries[i].local["crc"] = entries[i].local["csize"] = entries[i].local["usize"] = 0
    return "data descriptor flag on entry %d in %s" % (i, where)


def flip(rng, data):
    data = bytearray(data)
    count = rng.randint(1, 16)
    for _ in range(count):
        data[rng.randrange(len(data))] ^= rng.randint(1, 255)
    return bytes(data), "%d random bytes flipped" % count


def flip_structure(rng, data):
    # Flips aimed at the headers, where one byte changes the most.
    data = bytearray(data)
    spots = [m.start() for m in re.finditer(rb"PK\x01\x02|PK\x03\x04|PK\x05\x06", data)]
    count = rng.randint(1, 4)
    for _ in range(count):
        at = rng.choice(spots) + rng.randrange(46)
        if at < len(data):
            data[at] ^= 1 << rng.randrange(8)
    return bytes(data), "%d header bits flipped" % count


def truncate(rng, data):
    if rng.random() < 0.5:
        size = rng.randrange(len(data))
    else:
        # Near the end, inside the central directory or the end record.
        size = len(data) - rng.randint(1, 1200)
    return data[:max(size, 0)], "truncated to %d bytes" % max(size, 0)


STRUCTURE_KINDS = {
    "bad-crc": bad_crc,
    "bad-size": bad_size,
    "duplicate-name": duplicate_name,
    "traversal": traverse,
    "odd-name": odd_name,
    "encrypted": encrypted,
    "method": method,
    "offsets": offsets,
    "extra-field": extra_fields,
    "name-mismatch": names_disagree,
    "data-descriptor": data_descriptor,
}
BYTE_KINDS = {"flip": flip, "flip-header": flip_structure, "truncate": truncate}
KINDS = list(STRUCTURE_KINDS) + list(BYTE_KINDS)


def make_case(original_entries, comment, seed, case):
    rng = random.Random("%d/%d" % (seed, case))
    entries = [clone_entry(e) for e in original_entries]
    layout = Layout()
    kinds = [KINDS[case % len(KINDS)]]
    if rng.random() < 0.3:
        kinds.append(rng.choice(KINDS))
    notes = []
    for kind in kinds:
        if kind in STRUCTURE_KINDS:
            notes.append(STRUCTURE_KINDS[kind](rng, entries, comment, layout, case))
    data = serialise(entries, comment, layout)
    for kind in kinds:
        if kind in BYTE_KINDS:
            data, note = BYTE_KINDS[kind](rng, data)
            notes.append(note)
    return data, kinds, notes


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--payload", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("--seed", type=int, default=6)
    parser.add_argument("--first", type=int, default=0)
    parser.add_argument("--count", type=int, default=1000)
    args = parser.parse_args()

    original = open(args.payload, "rb").read()
    entries, comment = parse(original)
    original_pairs = declared_pairs(original)
    os.makedirs(args.output, exist_ok=True)
    with open(os.path.join(args.output, "cases.tsv"), "w") as cases, \
            open(os.path.join(args.output, "expect.tsv"), "w") as expect:
        for case in range(args.first, args.first + args.count):
            data, kinds, notes = make_case(entries, comment, args.seed, case)
            with open(os.path.join(args.output, "case_%04d.zip" % case), "wb") as f:
                f.write(data)
            cases.write("%d\t%s\t%s\n" % (case, "+".join(kinds),
                                          "; ".join(notes).replace("\t", " ")))
            for name, crc in sorted(declared_pairs(data) | original_pairs):
                expect.write("%d\t%08x\t%s\n" % (case, crc, name.hex()))


if __name__ == "__main__":
    main()
