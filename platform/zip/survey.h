#pragma once
// A survey of an archive's central directory before anything is written: exactly as many
// records as the directory's end record counts, filling the directory to its last byte,
// with each entry's declared size.
#include <cstdint>
#include <optional>
#include <vector>

struct SurveyedEntry {
    uint64_t recordOffset; // of its central record, counted the way unzGetOffset64 counts
    uint64_t size;         // uncompressed, as declared
};

struct ArchiveSurvey {
    std::vector<SurveyedEntry> entries;
    uint64_t declaredBytes = 0; // the sizes' sum, held at UINT64_MAX when it would overflow
};

struct ArchiveStream;

// None when the end record cannot be found or read, or when the directory holds more or
// fewer records than it counts. The directory stays in the stream.
std::optional<ArchiveSurvey> SurveyArchive(ArchiveStream& archive);
