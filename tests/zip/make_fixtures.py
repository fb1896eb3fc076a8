#!/usr/bin/env python3
"""Writes the ZIP archives the extraction tests read, deterministically.

Usage: make_fixtures.py OUTPUT_DIR

Entry names are stored as GBK bytes with the UTF-8 flag (bit 11) clear, the way
archives made on a Chinese Windows system name them. Faults that zipfile cannot
produce (a bad CRC, a broken deflate stream, the encryption flag, a wrong size) are
patched into the finished archive bytes.

Besides the archives, payload.manifest lists the payload's entries for the tests:
"D <gbk name as hex>" for a folder, "F <gbk name as hex> <file with the expected bytes>"
for a file; the expected bytes are written under expected/.
"""
import os
import struct
import sys
import warnings
import zipfile
import zlib

DATE = (2020, 1, 2, 3, 4, 6)
DOS_READ_ONLY = 0x01
DOS_DIRECTORY = 0x10
DOS_ARCHIVE = 0x20
BIG_PATTERN = bytes((i * 31 + 7) % 256 for i in range(251))


class GbkInfo(zipfile.ZipInfo):
    """An entry whose name is written as GBK bytes without the UTF-8 flag."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("gbk"), self.flag_bits


def entry(name, date=DATE, attributes=DOS_ARCHIVE, deflate=True, extra=b""):
    info = GbkInfo(name, date)
    info.external_attr = attributes
    info.compress_type = zipfile.ZIP_DEFLATED if deflate else zipfile.ZIP_STORED
    info.extra = extra
    return info


def pattern(size):
    """Bytes that differ by position and do not repeat at the 256 KB read size."""
    return (BIG_PATTERN * (size // len(BIG_PATTERN) + 1))[:size]


def gbk(text):
    return text.encode("gbk")


# The payload: ten deflated files and one stored folder entry just before its file.
PAYLOAD = [
    ("readme.txt", b"Quillmere\r\nRead me first.\r\n" * 8, DOS_ARCHIVE),
    ("安装说明.txt", gbk("安装前请关闭杀毒软件。\r\n") * 20, DOS_ARCHIVE),
    ("app.exe", bytes(range(256)) * 64, DOS_ARCHIVE),
    ("big.dat", pattern(600_000), DOS_ARCHIVE),
    ("empty.txt", b"", DOS_ARCHIVE),
    ("只读.txt", gbk("只读文件\r\n"), DOS_ARCHIVE | DOS_READ_ONLY),
    # The second byte of 誠 is 0x5C, a backslash when read byte by byte.
    ("誠信.txt", gbk("誠信\r\n"), DOS_ARCHIVE),
    ("config.ini", b"[setup]\r\nname=Quillmere\r\n", DOS_ARCHIVE),
    ("数据/", None, DOS_DIRECTORY),
    ("数据/说明.txt", gbk("数据文件夹\r\n") * 3, DOS_ARCHIVE),
    ("license.txt", b"Free to use.\r\n", DOS_ARCHIVE),
]


def write_payload(out):
    expected_dir = os.path.join(out, "expected")
    os.makedirs(expected_dir, exist_ok=True)
    manifest = []
    with zipfile.ZipFile(os.path.join(out, "payload.zip"), "w") as zf:
        zf.comment = gbk("安装包")
        for index, (name, data, attributes) in enumerate(PAYLOAD):
            if data is None:
                zf.writestr(entry(name, attributes=attributes, deflate=False), b"")
                manifest.append("D %s" % gbk(name).hex())
                continue
            zf.writestr(entry(name, attributes=attributes), data)
            expected = "%02d.bin" % index
            with open(os.path.join(expected_dir, expected), "wb") as f:
                f.write(data)
            manifest.append("F %s %s" % (gbk(name).hex(), expected))
    with open(os.path.join(out, "payload.manifest"), "w") as f:
        f.write("\n".join(manifest) + "\n")


def write_timestamps(out):
    # Extended timestamp: id 0x5455, flags 1 (modification time), a Unix time.
    unix_time = struct.pack("<HHBi", 0x5455, 5, 1, 1_600_000_000)
    with zipfile.ZipFile(os.path.join(out, "timestamps.zip"), "w") as zf:
        zf.writestr(entry("dos.txt", date=(2021, 3, 4, 5, 6, 8)), b"dos time\r\n")
        zf.writestr(entry("unix.txt", date=(2001, 2, 3, 4, 5, 6), extra=unix_time),
                    b"unix time\r\n")


def central_headers(data):
    end = data.rindex(b"PK\x05\x06")
    count, = struct.unpack_from("<H", data, end + 10)
    at, = struct.unpack_from("<I", data, end + 16)
    for _ in range(count):
        yield at
        name_size, extra_size, comment_size = struct.unpack_from("<HHH", data, at + 28)
        at += 46 + name_size + extra_size + comment_size


def patch(path, name, **fields):
    """Rewrites header fields of one entry in both its local and central header."""
    layout = {"flags": ("<H", 6), "method": ("<H", 8), "crc": ("<I", 14), "size": ("<I", 22)}
    data = bytearray(open(path, "rb").read())
    with zipfile.ZipFile(path) as zf:
        local = next(i.header_offset for i in zf.infolist() if i.filename == name)
    central = next(at for at in central_headers(data)
                   if struct.unpack_from("<I", data, at + 42)[0] == local)
    # A central header holds the same fields two bytes further on.
    for base in (local, central + 2):
        for field, value in fields.items():
            fmt, offset = layout[field]
            struct.pack_into(fmt, data, base + offset, value)
    open(path, "wb").write(data)


def write_fault(out, fixture, name, data, deflate=True, folder_entry=None, **fields):
    """first.txt, then the faulty entry, then after.txt, which must never be written."""
    path = os.path.join(out, fixture + ".zip")
    with zipfile.ZipFile(path, "w") as zf:
        zf.writestr(entry("first.txt"), b"first\r\n")
        if folder_entry:
            zf.writestr(entry(folder_entry, attributes=DOS_DIRECTORY, deflate=False), b"")
        zf.writestr(entry(name, deflate=deflate), data)
        zf.writestr(entry("after.txt"), b"after\r\n")
    if fields:
        patch(path, name, **fields)


def broken_deflate():
    """A raw deflate stream that inflates 300 KB, then meets an invalid block type."""
    good = pattern(300_000)
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    stream = packer.compress(good) + packer.flush(zlib.Z_FULL_FLUSH)
    # After a full flush the next block starts on a byte: BFINAL=1, BTYPE=3 (reserved).
    stream += b"\x07" + bytes(64)
    meant = good + pattern(100_000)
    return stream, meant


def write_faults(out):
    write_fault(out, "parent", "../evil.txt", b"evil\r\n")
    write_fault(out, "rooted", "\\evil-rooted.txt", b"evil\r\n")
    write_fault(out, "drive", "C:/evil-drive.txt", b"evil\r\n")
    write_fault(out, "dotted_parent", "sub/.../evil.txt", b"evil\r\n", folder_entry="sub/")
    write_fault(out, "no_folder", "missing/file.txt", b"orphan\r\n")
    crc_data = pattern(300_000)
    write_fault(out, "bad_crc", "crc.bin", crc_data,
                crc=zlib.crc32(crc_data) ^ 0xFFFFFFFF)
    write_fault(out, "encrypted", "secret.txt", b"not secret at all\r\n", deflate=False,
                flags=0x0001)
    short_data = pattern(300_000)
    write_fault(out, "short", "short.bin", short_data, size=len(short_data) + 1000)
    stream, meant = broken_deflate()
    # Stored as the raw stream, then relabelled as deflated data of the meant content.
    write_fault(out, "corrupt", "broken.bin", stream, deflate=False,
                method=zipfile.ZIP_DEFLATED, crc=zlib.crc32(meant), size=len(meant))


def set_end_count(path, count):
    """Rewrites both entry counts of the end record, leaving the directory as it is."""
    data = bytearray(open(path, "rb").read())
    end = data.rindex(b"PK\x05\x06")
    struct.pack_into("<HH", data, end + 8, count, count)
    open(path, "wb").write(data)


def write_three(path):
    with zipfile.ZipFile(path, "w") as zf:
        for name in ("one.txt", "two.txt", "three.txt"):
            zf.writestr(entry(name), name.encode() + b"\r\n")


def write_counts(out):
    """Directories that hold more or fewer records than their end record counts, and one
    described by a zip64 end record."""
    for fixture, count in (("more_records", 2), ("fewer_records", 4),
                           ("fewer_records_ffff", 0xFFFF)):
        path = os.path.join(out, fixture + ".zip")
        write_three(path)
        set_end_count(path, count)
    # zipfile writes the zip64 end record only past 65,535 entries; lowering its limit
    # gives a small archive that has one.
    limit = zipfile.ZIP_FILECOUNT_LIMIT
    zipfile.ZIP_FILECOUNT_LIMIT = 1
    try:
        write_three(os.path.join(out, "zip64_end.zip"))
    finally:
        zipfile.ZIP_FILECOUNT_LIMIT = limit


MANY_FOLDERS = 255
MANY_FILES_PER_FOLDER = 256


def write_many(out):
    """Exactly 65,535 entries, so that the end record counts 0xFFFF: 255 folders, each a
    folder entry and 256 small stored files (few files per folder keep Wine fast)."""
    with zipfile.ZipFile(os.path.join(out, "many.zip"), "w") as zf:
        for folder in range(MANY_FOLDERS):
            zf.writestr(entry("d%03d/" % folder, attributes=DOS_DIRECTORY, deflate=False), b"")
            for file in range(MANY_FILES_PER_FOLDER):
                name = "d%03d/f%03d.txt" % (folder, file)
                zf.writestr(entry(name, deflate=False), name.encode())
    assert MANY_FOLDERS * (MANY_FILES_PER_FOLDER + 1) == 0xFFFF


def write_payload_variants(out):
    """The payload's names with a fault: the last file's CRC, or a declared size of
    2^60 bytes for big.dat (the central directory's zip64 field; the data is real)."""
    path = os.path.join(out, "payload_bad_last.zip")
    with zipfile.ZipFile(path, "w") as zf:
        for name, data, attributes in PAYLOAD:
            zf.writestr(entry(name, attributes=attributes, deflate=data is not None),
                        data or b"")
    license_data = PAYLOAD[-1][1]
    patch(path, "license.txt", crc=zlib.crc32(license_data) ^ 0xFFFFFFFF)
    with zipfile.ZipFile(os.path.join(out, "payload_no_room.zip"), "w") as zf:
        for name, data, attributes in PAYLOAD:
            zf.writestr(entry(name, attributes=attributes, deflate=data is not None),
                        data or b"")
            if name == "big.dat":
                zf.infolist()[-1].file_size = 1 << 60


def write_meeting_names(out):
    """Entries whose names meet in one file or folder on Windows, which ignores case: the
    later entry wins, as when it overwrites the earlier one."""
    with warnings.catch_warnings(), \
            zipfile.ZipFile(os.path.join(out, "meeting_names.zip"), "w") as zf:
        warnings.simplefilter("ignore")  # the duplicate names are the point
        zf.writestr(entry("same.txt"), b"first\r\n")
        zf.writestr(entry("Docs/", attributes=DOS_DIRECTORY, deflate=False), b"")
        zf.writestr(entry("docs/same.txt"), b"first\r\n")
        zf.writestr(entry("DOCS/other.txt"), b"other\r\n")
        zf.writestr(entry("same.txt"), b"second\r\n")
        zf.writestr(entry("docs/SAME.txt"), b"second\r\n")


# The extraction passes an entry's bytes from its inflating thread to its writing one in
# pieces of this size (kPieceBytes).
PIECE = 64 * 1024
PIECE_SIZES = (0, 1, PIECE - 1, PIECE, PIECE + 1, 2 * PIECE, 3 * PIECE + 5)


def write_piece_sizes(out):
    """Files on and around the boundaries of the pieces, stored at the top and deflated
    in a folder."""
    with zipfile.ZipFile(os.path.join(out, "piece_sizes.zip"), "w") as zf:
        for size in PIECE_SIZES:
            zf.writestr(entry("stored%07d.bin" % size, deflate=False), pattern(size))
        zf.writestr(entry("deflated/", attributes=DOS_DIRECTORY, deflate=False), b"")
        for size in PIECE_SIZES:
            zf.writestr(entry("deflated/%07d.bin" % size), pattern(size))


def write_late_missing_folder(out):
    """A file in a folder that no entry makes, after a file of several pieces and before
    many small files: the writing thread fails on it while the inflating thread may
    already be entries further on."""
    with zipfile.ZipFile(os.path.join(out, "late_missing_folder.zip"), "w") as zf:
        zf.writestr(entry("first.txt"), b"first\r\n")
        zf.writestr(entry("big.bin"), pattern(6 * PIECE))
        zf.writestr(entry("nowhere/lost.txt"), b"lost\r\n")
        for index in range(40):
            zf.writestr(entry("after%02d.txt" % index), b"after\r\n")


def write_long(out):
    """Enough to keep both threads of an extraction busy for a while: 16 files of 3 MiB
    that deflate to little."""
    with zipfile.ZipFile(os.path.join(out, "long.zip"), "w") as zf:
        for index in range(16):
            zf.writestr(entry("part%02d.bin" % index), pattern(3 * 1024 * 1024))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_payload(out)
    write_timestamps(out)
    write_faults(out)
    write_counts(out)
    write_many(out)
    write_payload_variants(out)
    write_meeting_names(out)
    write_piece_sizes(out)
    write_late_missing_folder(out)
    write_long(out)


if __name__ == "__main__":
    main()
