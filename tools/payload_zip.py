"""The archive format the installer carries and extracts, for the sample payload and for
any product's folder alike.

Names are stored in GBK, the target system's code page, with the UTF-8 flag (bit 11)
clear; attributes are MS-DOS ones; a folder's own entry comes right before the files
inside it, so that the extractor has made the folder before it writes into it. Files are
deflated, folders stored. The archive never uses Zip64: the installer reads plain ZIP.
"""

import shutil
import zipfile

ATTR_READONLY = 0x01
ATTR_DIRECTORY = 0x10
ATTR_ARCHIVE = 0x20

COMPRESS_LEVEL = 9
COPY_CHUNK = 1 << 20


class GbkZipInfo(zipfile.ZipInfo):
    """An entry whose name is stored in GBK, as the target system's code page reads it."""

    def __init__(self, name, attributes, date_time):
        super().__init__(name, date_time=date_time)
        self.create_system = 0  # MS-DOS: external_attr holds DOS attributes
        self.external_attr = attributes

    def _encodeFilenameFlags(self):
        # Bit 11 stays clear: the name is in the local code page, not UTF-8.
        return self.filename.encode('gbk'), self.flag_bits


def open_archive(path):
    """A new archive at `path` that refuses to grow beyond plain ZIP."""
    return zipfile.ZipFile(path, 'w', allowZip64=False)


def add_folder(archive, name, date_time):
    """A folder entry; `name` ends in '/'."""
    archive.writestr(GbkZipInfo(name, ATTR_DIRECTORY, date_time), b'',
                     compress_type=zipfile.ZIP_STORED)


def add_bytes(archive, name, data, attributes, date_time):
    archive.writestr(GbkZipInfo(name, attributes, date_time), data,
                     compress_type=zipfile.ZIP_DEFLATED, compresslevel=COMPRESS_LEVEL)


def add_file(archive, name, source, size, attributes, date_time):
    """A file entry streamed from the open binary file `source` of `size` bytes; gives
    the number of bytes it took, which differs from `size` when the file changed."""
    info = GbkZipInfo(name, attributes, date_time)
    info.compress_type = zipfile.ZIP_DEFLATED
    # What writestr sets from its compresslevel argument; open() has no such argument.
    if hasattr(info, 'compress_level'):
        info.compress_level = COMPRESS_LEVEL
    else:
        info._compresslevel = COMPRESS_LEVEL
    # Known before the first byte, so that the writer can tell a file too large for
    # plain ZIP at once.
    info.file_size = size
    with archive.open(info, 'w') as entry:
        shutil.copyfileobj(source, entry, COPY_CHUNK)
    return info.file_size
