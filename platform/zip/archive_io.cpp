#include "platform/zip/archive_io.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD kWindowSize = 256 * 1024;

// A synchronous handle completes the read at once; an overlapped one is waited for.
bool ReadSome(HANDLE file, uint64_t offset, void* buffer, DWORD size, DWORD& got) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    got = 0;
    if (ReadFile(file, buffer, size, &got, &at))
        return true;
    DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING)
        return GetOverlappedResult(file, &at, &got, TRUE) || GetLastError() == ERROR_HANDLE_EOF;
    return error == ERROR_HANDLE_EOF;
}

// Near the end of the file the window is the file's last bytes, where the end records
// are looked for a little further back each time. False when the position lies past
// the end.
bool Refill(ArchiveStream& s) {
    uint64_t start = s.position;
    if (s.size > kWindowSize && start > s.size - kWindowSize)
        start = s.size - kWindowSize;
    DWORD got = 0;
    if (!ReadSome(s.file, start, s.window.get(), kWindowSize, got))
        s.error = 1;
    s.windowStart = start;
    s.windowLength = got;
    return s.position < start + got;
}

// Copies what `region` (starting at `start`) holds at the position; false when it holds
// nothing there.
bool CopyFrom(ArchiveStream& s, const unsigned char* region, uint64_t start, size_t length,
              unsigned char* out, uint32_t& copied, uint32_t size) {
    if (s.position < start || s.position >= start + length)
        return false;
    size_t at = static_cast<size_t>(s.position - start);
    auto part = static_cast<uint32_t>(std::min<size_t>(size - copied, length - at));
    std::memcpy(out + copied, region + at, part);
    copied += part;
    s.position += part;
    return true;
}

// A read as large as the window goes straight to the caller's buffer.
uint32_t Read(ArchiveStream& s, unsigned char* out, uint32_t size) {
    uint32_t copied = 0;
    while (copied < size) {
        uint32_t wanted = size - copied;
        if (CopyFrom(s, s.directory.data(), s.directoryStart, s.directory.size(), out, copied,
                     size) ||
            CopyFrom(s, s.window.get(), s.windowStart, s.windowLength, out, copied, size)) {
            continue;
        }
        if (wanted >= kWindowSize) {
            DWORD got = 0;
            if (!ReadSome(s.file, s.position, out + copied, wanted, got))
                s.error = 1;
            copied += got;
            s.position += got;
            break;
        }
        if (!Refill(s))
            break;
    }
    return copied;
}

ArchiveStream& StreamOf(voidpf stream) {
    return *static_cast<ArchiveStream*>(stream);
}

// minizip passes what unzOpen2_64 was given as the file name: here, the stream itself.
voidpf ZCALLBACK OpenStream(voidpf, const void* stream, int) {
    return const_cast<void*>(stream);
}

uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buffer, uLong size) {
    return Read(StreamOf(stream), static_cast<unsigned char*>(buffer), size);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf stream, const void*, uLong) {
    StreamOf(stream).error = 1;
    return 0;
}

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream) {
    return StreamOf(stream).position;
}

long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    ArchiveStream& s = StreamOf(stream);
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        s.position = offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
        s.position += offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_END:
        s.position = s.size + offset;
        return 0;
    }
    return -1;
}

// The handle is the caller's: it stays open.
int ZCALLBACK CloseStream(voidpf, voidpf) {
    return 0;
}

int ZCALLBACK StreamError(voidpf, voidpf stream) {
    return StreamOf(stream).error;
}

} // namespace

ArchiveStream::ArchiveStream(HANDLE file, uint64_t size)
    : file(file), size(size), window(std::make_unique_for_overwrite<unsigned char[]>(kWindowSize)) {
}

std::optional<uint64_t> FileSizeOf(HANDLE file) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size))
        return std::nullopt;
    return static_cast<uint64_t>(size.QuadPart);
}

bool ReadAt(ArchiveStream& stream, uint64_t offset, void* buffer, uint32_t size) {
    stream.position = offset;
    return Read(stream, static_cast<unsigned char*>(buffer), size) == size;
}

bool ReadUncached(ArchiveStream& stream, uint64_t offset, void* buffer, uint32_t size) {
    DWORD got = 0;
    return ReadSome(stream.file, offset, buffer, size, got) && got == size;
}

bool KeepRegion(ArchiveStream& stream, uint64_t offset, uint32_t size) {
    std::vector<unsigned char> region(size);
    if (!ReadAt(stream, offset, region.data(), size))
        return false;
    stream.directory = std::move(region);
    stream.directoryStart = offset;
    return true;
}

unzFile OpenArchiveStream(ArchiveStream& stream) {
    zlib_filefunc64_def functions{};
    functions.zopen64_file = OpenStream;
    functions.zread_file = ReadStream;
    functions.zwrite_file = WriteStream;
    functions.ztell64_file = TellStream;
    functions.zseek64_file = SeekStream;
    functions.zclose_file = CloseStream;
    functions.zerror_file = StreamError;
    return unzOpen2_64(&stream, &functions);
}
