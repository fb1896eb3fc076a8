#!/usr/bin/env python3
"""Builds payload.zip, the product archive the installer carries and extracts.

The archive must come out byte for byte the same from the same inputs, so that a
rebuild does not change the installer: every entry has a fixed timestamp, a fixed
compression level and a fixed place in the list below, and the large resource packs
are generated from fixed seeds instead of being committed.

The format (GBK names, MS-DOS attributes, folders before their files) is the one of
tools/payload_zip.py; the entries are checked against the rules every payload meets
(tools/payload_rules.py), so the sample is refused for a product it does not carry.

Usage: make_payload.py --exe Quillmere.exe --sources assets/payload --output payload.zip
                       --product NAME --install-folder PATH
"""

import argparse
import colorsys
import os
import random
import struct
import sys
import zlib

import payload_rules as rules
import payload_zip
from payload_zip import ATTR_ARCHIVE, ATTR_DIRECTORY, ATTR_READONLY

RELEASE_TIME = (2023, 6, 18, 10, 30, 0)

COMMENT_SIZE = 335


# --- text sources ---------------------------------------------------------------------

def windows_text(path):
    """A UTF-8 source file as the product ships it: GBK with CRLF line ends."""
    with open(path, encoding='utf-8') as f:
        text = f.read()
    return text.replace('\r\n', '\n').replace('\n', '\r\n').encode('gbk')


# --- generated resources --------------------------------------------------------------

def png(width, height, color_type, channels, pixels):
    """A PNG file (8 bits per sample, no filtering) from raw row-major pixel bytes."""
    stride = width * channels
    rows = b''.join(b'\x00' + pixels[y * stride:(y + 1) * stride] for y in range(height))

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data
                + struct.pack('>I', zlib.crc32(kind + data)))

    header = struct.pack('>IIBBBBB', width, height, 8, color_type, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))


def paper_texture(rng, size):
    """An RGB tile of paper grain: a tinted base colour with per-sample noise.

    The grain is what the program tiles behind the page, so it has to be noisy; that
    is also why the packs hardly shrink in the archive."""
    base = [rng.randrange(200, 236) for _ in range(3)]
    spread = rng.randrange(24, 40)
    noise = rng.randbytes(size * size * 3)
    # One lookup table per channel keeps the generation fast and the tint per channel.
    tables = [bytes(min(255, b + (v * spread >> 8)) for v in range(256)) for b in base]
    out = bytearray(noise)
    for c in range(3):
        out[c::3] = noise[c::3].translate(tables[c])
    return png(size, size, 2, 3, bytes(out))


def brush_stamp(rng, size):
    """A grey-scale brush tip: soft round falloff broken up by bristle noise."""
    centre = (size - 1) / 2
    radius = centre * rng.uniform(0.6, 0.95)
    hardness = rng.uniform(1.5, 4.0)
    noise = rng.randbytes(size * size)
    out = bytearray(size * size)
    for y in range(size):
        for x in range(size):
            d = ((x - centre) ** 2 + (y - centre) ** 2) ** 0.5 / radius
            if d < 1.0:
                falloff = 1.0 - d ** hardness
                out[y * size + x] = int(falloff * (128 + (noise[y * size + x] >> 1)))
    return png(size, size, 0, 1, bytes(out))


def resource_pack(items):
    """The program's .pak layout: header, the files back to back, then an index.

    Header: 'QPAK', u16 version, u16 count, u32 index offset (little-endian).
    Index entry: u16 name length, UTF-8 name, u32 offset, u32 size, u32 CRC-32."""
    body = bytearray()
    index = bytearray()
    header_size = 12
    for name, data in items:
        encoded = name.encode('utf-8')
        index += struct.pack('<H', len(encoded)) + encoded
        index += struct.pack('<III', header_size + len(body), len(data), zlib.crc32(data))
        body += data
    header = b'QPAK' + struct.pack('<HHI', 1, len(items), header_size + len(body))
    return bytes(header + body + index)


def textures_pack():
    rng = random.Random(0x5155494C)
    items = [('paper/%03d.png' % (i + 1), paper_texture(rng, 128)) for i in range(96)]
    items += [('canvas/%03d.png' % (i + 1), paper_texture(rng, 160)) for i in range(16)]
    return resource_pack(items)


def brushes_pack():
    rng = random.Random(0x4252534B)
    kinds = ['pen', 'pencil', 'marker', 'watercolor', 'charcoal', 'airbrush']
    items = []
    for kind in kinds:
        for i in range(8):
            items.append(('%s/%02d.png' % (kind, i + 1), brush_stamp(rng, 96)))
    return resource_pack(items)


def palette():
    """The default swatches: twelve hues in six shades, then a grey ramp."""
    lines = ['QuillmerePalette 1', 'Name=默认色板', 'Columns=12', '']
    names = ['红', '橙', '黄', '黄绿', '绿', '青绿', '青', '天蓝', '蓝', '紫', '品红', '玫红']
    for shade, (light, sat) in enumerate([(0.25, 0.8), (0.35, 0.8), (0.45, 0.75),
                                          (0.55, 0.7), (0.70, 0.6), (0.85, 0.5)]):
        for h, name in enumerate(names):
            r, g, b = colorsys.hls_to_rgb(h / len(names), light, sat)
            lines.append('#%02X%02X%02X %s%d' % (round(r * 255), round(g * 255),
                                                 round(b * 255), name, shade + 1))
    for i in range(12):
        v = round(i * 255 / 11)
        lines.append('#%02X%02X%02X 灰%d' % (v, v, v, i + 1))
    return ('\r\n'.join(lines) + '\r\n').encode('gbk')


# --- archive --------------------------------------------------------------------------

def archive_comment():
    """Exactly COMMENT_SIZE bytes of GBK text; a rule of '=' takes up the slack."""
    head = 'Quillmere 2.4.0 安装数据包'
    body = ('\r\n本压缩包由安装程序自动释放并解压到您选择的安装目录。'
            '\r\n包含：主程序、配置文件、使用说明、许可协议、更新日志、纸张模板、色板、'
            '纹理与笔刷资源包，以及导出工具插件。'
            '\r\n请勿手动修改本压缩包的内容，否则安装后软件可能无法正常启动。'
            '\r\nQuillmere 开发组  2023-06-18')
    used = len((head + '\r\n' + body).encode('gbk'))
    if used > COMMENT_SIZE:
        raise SystemExit('archive comment is %d bytes, more than %d' % (used, COMMENT_SIZE))
    comment = (head + '\r\n' + '=' * (COMMENT_SIZE - used) + body).encode('gbk')
    assert len(comment) == COMMENT_SIZE
    return comment


def entries(exe_path, sources):
    """The archive's entries in their stored order: (name, bytes or None, attributes)."""
    with open(exe_path, 'rb') as f:
        exe = f.read()
    src = lambda *p: windows_text(os.path.join(sources, *p))
    return [
        ('Quillmere.exe', exe, ATTR_ARCHIVE),
        ('quillmere.ini', src('quillmere.ini'), ATTR_ARCHIVE),
        ('使用说明.txt', src('help.txt'), ATTR_ARCHIVE),
        ('许可协议.txt', src('license.txt'), ATTR_ARCHIVE | ATTR_READONLY),
        ('更新日志.txt', src('changelog.txt'), ATTR_ARCHIVE),
        ('templates.xml', src('templates.xml'), ATTR_ARCHIVE),
        ('colors.pal', palette(), ATTR_ARCHIVE),
        ('brushes.pak', brushes_pack(), ATTR_ARCHIVE),
        ('resources.pak', textures_pack(), ATTR_ARCHIVE),
        # The folder's own entry goes right before the file inside it, so that an
        # extractor creates the folder before it has to write into it.
        ('plugins/', None, ATTR_DIRECTORY),
        ('plugins/导出工具.qpl', src('plugins', 'export.qpl'), ATTR_ARCHIVE),
    ]


def write_archive(path, items):
    with payload_zip.open_archive(path) as archive:
        for name, data, attributes in items:
            if data is None:
                payload_zip.add_folder(archive, name, RELEASE_TIME)
            else:
                payload_zip.add_bytes(archive, name, data, attributes, RELEASE_TIME)
        archive.comment = archive_comment()


def problems(items, product, install_folder):
    """The rules every payload meets, for the sample's entries."""
    found = [rules.entry_problem(install_folder, name.rstrip('/'), data is None)
             for name, data, _ in items]
    data_of = {name: data for name, data, _ in items}
    top_files = [name for name, data, _ in items if data is not None and '/' not in name]
    found.append(rules.product_problem(top_files, product, lambda name: data_of[name][:2]))
    found.append(rules.entry_count_problem(len(items)))
    return [problem for problem in found if problem]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--exe', required=True, help='the built Quillmere.exe')
    parser.add_argument('--sources', required=True, help='folder with the text sources')
    parser.add_argument('--output', required=True, help='payload.zip to write')
    parser.add_argument('--product', required=True, help='the product the installer is for')
    parser.add_argument('--install-folder', required=True,
                        help='its default install folder, for the path lengths')
    args = parser.parse_args(argv)

    items = entries(args.exe, args.sources)
    refused = problems(items, args.product, args.install_folder)
    for problem in refused:
        print('package: refused: %s (the sample payload): %s' % (args.sources, problem),
              file=sys.stderr)
    # Written beside the target and renamed, so an interrupted run never leaves a
    # truncated archive that the build would take as up to date.
    partial = args.output + '.partial'
    try:
        if os.path.exists(args.output):
            os.remove(args.output)
        if refused:
            return 1
        write_archive(partial, items)
        os.replace(partial, args.output)
    finally:
        if os.path.exists(partial):
            os.remove(partial)
    print('%s: %d bytes' % (args.output, os.path.getsize(args.output)))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
