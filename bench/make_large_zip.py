#!/usr/bin/env python3
"""Writes the large benchmark archive: about 256 MiB of content in about 2,000 entries,
spread over nested folders, with a mix of compressible text, incompressible random bytes
and half-compressible binary data. The same seed gives the same entries with the same
content (the deflated bytes follow the zlib in use).

Every folder has its own directory entry before its first file, as our component expects.
With --folder the same entries are written as files and folders instead, the payload of a
large package (`make package`), all dated as the archive's entries.
"""
import argparse
import calendar
import os
import random
import zipfile

STAMP = (2024, 5, 17, 10, 30, 0)
MIN_FILE = 512
MAX_FILE = 8 << 20


def make_vocabulary(rng, count):
    letters = "etaoinshrdlcumwfgypbvkjxqz"
    weights = [12, 9, 8, 7, 7, 6, 6, 6, 5, 4, 4, 3, 3, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1]
    words = set()
    while len(words) < count:
        words.add("".join(rng.choices(letters, weights, k=rng.randint(2, 11))))
    return sorted(words)


def make_text_corpus(rng, size):
    """Prose-like text: Zipf-distributed words in lines, a few numbers and markup."""
    vocabulary = make_vocabulary(rng, 6000)
    ranks = [1.0 / (rank + 1) for rank in range(len(vocabulary))]
    words = rng.choices(vocabulary, ranks, k=size // 5)
    out, line = [], []
    length = 0
    for word in words:
        line.append(word)
        length += len(word) + 1
        if length > rng.randint(60, 100):
            if rng.random() < 0.1:
                line.append(str(rng.randint(0, 99999)))
            out.append(" ".join(line) + ("\r\n" if rng.random() < 0.5 else "\n"))
            line, length = [], 0
    corpus = "".join(out).encode("ascii")
    while len(corpus) < size:
        corpus += corpus
    return corpus[:size]


def make_folders(rng, count):
    """Nested folder names, each listed after its parent."""
    tops = ["bin", "data", "docs", "plugins", "resources", "samples", "lang", "fonts"]
    folders = []
    while len(folders) < count:
        parents = [f for f in folders if f.count("/") < 3]
        if not parents or rng.random() < 0.2:
            name = rng.choice(tops) + ("%02d" % rng.randint(0, 99) if rng.random() < 0.5 else "")
            folder = name + "/"
        else:
            folder = rng.choice(parents) + "part%03d/" % rng.randint(0, 999)
        if folder not in folders:
            folders.append(folder)
    return folders


def file_sizes(rng, count, total):
    """Log-uniform sizes scaled to add up to `total` exactly."""
    weights = [2 ** rng.uniform(9, 23) for _ in range(count)]
    scale = total / sum(weights)
    sizes = [max(MIN_FILE, min(MAX_FILE, int(w * scale))) for w in weights]
    # Put the rounding and clamping difference into the files that can take it.
    difference = total - sum(sizes)
    index = 0
    while difference != 0:
        room = MAX_FILE - sizes[index] if difference > 0 else sizes[index] - MIN_FILE
        step = max(-room, min(room, difference))
        sizes[index] += step
        difference -= step
        index = (index + 1) % count
    return sizes


def entries(args):
    """(name, bytes) in archive order, bytes None for a folder; prints a summary at the end."""
    rng = random.Random(args.seed)
    corpus = make_text_corpus(rng, 16 << 20)
    folders = make_folders(rng, args.folders)
    file_count = args.entries - len(folders)
    sizes = file_sizes(rng, file_count, args.total_mib << 20)
    # Half-compressible binary: random bytes folded onto 16 values.
    nibbles = bytes((i * 7) % 16 * 9 for i in range(256))

    # Files go into a random folder or the root; a folder's entry precedes its files.
    placement = {folder: [] for folder in [""] + folders}
    kinds = {"text": 0, "random": 0, "binary": 0}
    for index, size in enumerate(sizes):
        folder = rng.choice([""] + folders)
        roll = rng.random()
        kind = "text" if roll < 0.45 else "random" if roll < 0.80 else "binary"
        extension = {"text": ".txt", "random": ".dat", "binary": ".bin"}[kind]
        placement[folder].append(("%sfile%04d%s" % (folder, index, extension), size, kind))

    for folder in [""] + folders:
        if folder:
            yield folder, None
        for name, size, kind in placement[folder]:
            if kind == "text":
                start = rng.randrange(len(corpus) - size)
                data = corpus[start:start + size]
            elif kind == "random":
                data = rng.randbytes(size)
            else:
                data = rng.randbytes(size).translate(nibbles)
            kinds[kind] += size
            yield name, data
    print("%d entries (%d folders), %d bytes of content (text %d, random %d, binary %d)"
          % (args.entries, len(folders), sum(sizes), kinds["text"], kinds["random"],
             kinds["binary"]))


def write_zip(path, items):
    temporary = path + ".part"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
        for name, data in items:
            info = zipfile.ZipInfo(name, STAMP)
            if data is None:
                info.external_attr = 0x10
                info.compress_type = zipfile.ZIP_STORED
                data = b""
            else:
                info.external_attr = 0x20
                info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data)
    os.replace(temporary, path)
    print("%s: %d bytes" % (path, os.path.getsize(path)))


def write_folder(path, items):
    stamp = calendar.timegm(STAMP + (0, 0, 0))
    written = []
    for name, data in items:
        target = os.path.join(path, name)
        if data is None:
            os.makedirs(target, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as out:
                out.write(data)
        written.append(target)
    # Files first, then folders, which writing into them has dated again.
    for target in sorted(written, key=os.path.isdir):
        os.utime(target, (stamp, stamp))
    print("%s: written" % path)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    output = parser.add_mutually_exclusive_group(required=True)
    output.add_argument("--output", help="the archive to write")
    output.add_argument("--folder", help="the folder to write the entries into instead")
    parser.add_argument("--seed", type=int, default=20240517)
    parser.add_argument("--entries", type=int, default=2000)
    parser.add_argument("--folders", type=int, default=60)
    parser.add_argument("--total-mib", type=int, default=256)
    args = parser.parse_args()

    if args.output:
        write_zip(args.output, entries(args))
    else:
        write_folder(args.folder, entries(args))


if __name__ == "__main__":
    main()
