#!/usr/bin/env python3
"""Writes one line per entry of a ZIP archive: the name (GBK bytes, '/' turned into '\\',
in hex), size, CRC-32 and MS-DOS attributes in hex, 1 for a directory, and the stored DOS time. Tests compare
extracted files against it without trusting the extractor they test."""
import sys
import zipfile

def raw_name(info):
    if info.flag_bits & 0x800:
        return info.filename.encode("gbk")
    return info.filename.encode("cp437")  # zipfile read the raw bytes as cp437

def main(archive, out):
    with zipfile.ZipFile(archive) as z, open(out, "w") as f:
        for info in z.infolist():
            name = raw_name(info).replace(b"/", b"\\").rstrip(b"\\")
            stamp = "%04d%02d%02d%02d%02d%02d" % info.date_time
            f.write("%s %d %x %x %d %s\n" % (name.hex(), info.file_size, info.CRC,
                                             info.external_attr & 0xFF, int(info.is_dir()),
                                             stamp))

if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
