#pragma once
// Reading an archive through a file handle its caller holds open: reads at explicit
// offsets that never depend on the handle's file pointer, and minizip's file functions
// built on them, so that the archive is never opened again by name.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <minizip/unzip.h>

std::optional<uint64_t> FileSizeOf(HANDLE file);

// The caller's handle, minizip's position in it, a window of the file read ahead, and
// the central directory kept whole: minizip reads headers a few bytes at a time, turning
// from the directory at the end to each entry's data and back, and a system call for
// each read would cost more than the rest of a small entry's extraction.
struct ArchiveStream {
    ArchiveStream(HANDLE file, uint64_t size);

    HANDLE file;
    uint64_t size;
    uint64_t position = 0;
    int error = 0;
    std::unique_ptr<unsigned char[]> window;
    uint64_t windowStart = 0;
    size_t windowLength = 0;
    std::vector<unsigned char> directory = {};
    uint64_t directoryStart = 0;
};

// Reads exactly `size` bytes at `offset`; false for a short read or an error.
bool ReadAt(ArchiveStream& stream, uint64_t offset, void* buffer, uint32_t size);
// The same straight from the file, for a single look that should not move the window.
bool ReadUncached(ArchiveStream& stream, uint64_t offset, void* buffer, uint32_t size);
// Reads the `size` bytes at `offset` and keeps them, for every later read that falls
// inside them.
bool KeepRegion(ArchiveStream& stream, uint64_t offset, uint32_t size);

// Opens the archive of `stream` (which must outlive the unzFile); closing the unzFile
// leaves the handle open.
unzFile OpenArchiveStream(ArchiveStream& stream);
