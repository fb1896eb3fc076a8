#include "platform/zip/survey.h"

#include <algorithm>
#include <limits>
#include <span>

#include "platform/zip/archive_io.h"

namespace {

using Bytes = std::span<const unsigned char>;

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kCentralSize = 46;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint32_t kNoSize32 = 0xFFFFFFFF;
// As far back from the end as minizip looks for the end records.
constexpr uint64_t kEndSearchBytes = 0xFFFF;

struct DirectoryEnd {
    uint64_t count;
    uint64_t size;
    uint64_t offset;
    uint64_t position; // of the end record that describes the directory
};

uint16_t Le16(Bytes bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t Le32(Bytes bytes, size_t at) {
    return Le16(bytes, at) | static_cast<uint32_t>(Le16(bytes, at + 2)) << 16;
}

uint64_t Le64(Bytes bytes, size_t at) {
    return Le32(bytes, at) | static_cast<uint64_t>(Le32(bytes, at + 4)) << 32;
}

// The last place in `tail` where a whole record with this signature fits.
std::optional<size_t> LastRecord(Bytes tail, uint32_t signature, size_t recordSize) {
    if (tail.size() < recordSize)
        return std::nullopt;
    for (size_t at = tail.size() - recordSize + 1; at-- > 0;) {
        if (Le32(tail, at) == signature)
            return at;
    }
    return std::nullopt;
}

bool SpansOneDisk(Bytes end, bool zip64) {
    if (zip64)
        return Le32(end, 16) == 0 && Le32(end, 20) == 0 && Le64(end, 24) == Le64(end, 32);
    return Le16(end, 4) == 0 && Le16(end, 6) == 0 && Le16(end, 8) == Le16(end, 10);
}

std::optional<DirectoryEnd> Zip64End(ArchiveStream& file, Bytes tail) {
    std::optional<size_t> locator = LastRecord(tail, kZip64LocatorSignature, kZip64LocatorSize);
    if (!locator || Le32(tail, *locator + 4) != 0 || Le32(tail, *locator + 16) != 1)
        return std::nullopt;
    uint64_t position = Le64(tail, *locator + 8);
    unsigned char record[kZip64EndSize];
    if (!ReadAt(file, position, record, sizeof record) || Le32(record, 0) != kZip64EndSignature ||
        !SpansOneDisk(record, true)) {
        return std::nullopt;
    }
    return DirectoryEnd{Le64(record, 32), Le64(record, 40), Le64(record, 48), position};
}

std::optional<DirectoryEnd> ClassicEnd(Bytes tail, uint64_t tailStart) {
    std::optional<size_t> at = LastRecord(tail, kEndSignature, kEndSize);
    if (!at || !SpansOneDisk(tail.subspan(*at), false))
        return std::nullopt;
    Bytes record = tail.subspan(*at);
    return DirectoryEnd{Le16(record, 10), Le32(record, 12), Le32(record, 16), tailStart + *at};
}

// Like minizip, a zip64 end record that a locator leads to wins over the classic one.
std::optional<DirectoryEnd> FindDirectoryEnd(ArchiveStream& file) {
    uint64_t fileSize = file.size;
    uint64_t tailStart = fileSize - std::min(fileSize, kEndSearchBytes);
    std::vector<unsigned char> tail(fileSize - tailStart);
    if (!ReadAt(file, tailStart, tail.data(), static_cast<uint32_t>(tail.size())))
        return std::nullopt;
    if (std::optional<DirectoryEnd> zip64 = Zip64End(file, tail))
        return zip64;
    return ClassicEnd(tail, tailStart);
}

// The uncompressed size, from the zip64 extra field when the record's own field is full;
// minizip reads it the same way.
uint64_t DeclaredSize(Bytes record, Bytes extra) {
    uint64_t size = Le32(record, 24);
    if (size != kNoSize32)
        return size;
    while (extra.size() >= 4) {
        uint16_t id = Le16(extra, 0);
        size_t length = Le16(extra, 2);
        if (length > extra.size() - 4)
            break;
        if (id == kZip64ExtraId && length >= 8)
            return Le64(extra, 4);
        extra = extra.subspan(4 + length);
    }
    return size;
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
    return b > std::numeric_limits<uint64_t>::max() - a ? std::numeric_limits<uint64_t>::max()
                                                        : a + b;
}

std::optional<ArchiveSurvey> ReadRecords(Bytes directory, const DirectoryEnd& end) {
    ArchiveSurvey survey;
    survey.entries.reserve(std::min<uint64_t>(end.count, directory.size() / kCentralSize));
    size_t at = 0;
    for (uint64_t index = 0; index < end.count; ++index) {
        if (directory.size() - at < kCentralSize || Le32(directory, at) != kCentralSignature)
            return std::nullopt;
        Bytes record = directory.subspan(at);
        size_t nameSize = Le16(record, 28);
        size_t extraSize = Le16(record, 30);
        size_t length = kCentralSize + nameSize + extraSize + Le16(record, 32);
        if (length > record.size())
            return std::nullopt;
        uint64_t size = DeclaredSize(record, record.subspan(kCentralSize + nameSize, extraSize));
        survey.entries.push_back({end.offset + at, size});
        survey.declaredBytes = SaturatingAdd(survey.declaredBytes, size);
        at += length;
    }
    // Bytes left over are records the count leaves out.
    if (at != directory.size())
        return std::nullopt;
    return survey;
}

} // namespace

std::optional<ArchiveSurvey> SurveyArchive(ArchiveStream& file) {
    std::optional<DirectoryEnd> end = FindDirectoryEnd(file);
    if (!end || end->size > end->position || end->offset > end->position - end->size ||
        end->size > std::numeric_limits<uint32_t>::max()) {
        return std::nullopt;
    }
    // Where minizip finds the directory: just before its end record, whatever the offset
    // says (bytes before the archive shift both alike). The stream keeps it, for minizip
    // to read it again from memory.
    if (!KeepRegion(file, end->position - end->size, static_cast<uint32_t>(end->size)))
        return std::nullopt;
    return ReadRecords(file.directory, *end);
}
