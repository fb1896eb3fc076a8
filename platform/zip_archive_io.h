#pragma once
// Reading an archive through a file handle its caller holds open: positioned reads that
// never depend on the handle's file pointer, and minizip's file functions built on them,
// so that the archive is never opened again by name.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include <minizip/unzip.h>

// Reads exactly `size` bytes at `offset`; false for a short read or an error.
bool ReadAt(HANDLE file, uint64_t offset, void* buffer, uint32_t size);
std::optional<uint64_t> FileSizeOf(HANDLE file);

// What minizip's stream is: the caller's handle, minizip's own position in it, and a
// window of the file read ahead. minizip reads headers a few bytes at a time, and a
// system call for each costs more than the rest of a small entry's extraction.
struct ArchiveStream {
    HANDLE file;
    uint64_t size;
    uint64_t position = 0;
    int error = 0;
    std::vector<unsigned char> window = {};
    uint64_t windowStart = 0;
};

// Opens the archive of `stream` (which must outlive the unzFile); closing the unzFile
// leaves the handle open.
unzFile OpenArchiveStream(ArchiveStream& stream);
