#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/zip_names.h"

// Called after each entry with a whole percentage; runs on the extracting thread.
using ExtractProgress = void (*)(void* context, int percent);

enum ExtractResult : int {
    kExtractMissing = -1, // the archive file does not exist
    kExtractFailed = 0,
    kExtractDone = 1,
};

// Extracts every entry of a ZIP archive below `target` (GBK paths), creating the target
// with its missing parents. Stops at the first entry that cannot be written: an unsafe
// name, encrypted or corrupt data, a missing folder or a locked file. `progress` (may be
// null) gets ExtractPercent after each entry and, once the archive is closed again, 100
// when every entry was written; a failure before the entries are counted reports 0 once.
int ExtractZip(const std::string& archivePath, const std::string& target, ExtractProgress progress,
               void* context);

// The pure decisions behind ExtractZip.

// (index / count) * 100 in double precision, truncated toward zero.
int ExtractPercent(uint64_t index, uint64_t count);

// The modification time (Unix seconds) of an extended-timestamp field "UT" in a ZIP extra
// field block, if there is a well-formed one carrying it.
std::optional<int64_t> ExtendedModTime(std::span<const unsigned char> extra);
