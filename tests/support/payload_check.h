#pragma once
#include <cstddef>
#include <string>

// The sample payload: ten files and the folder plugins/.
inline constexpr size_t kSamplePayloadEntries = 11;

// Every entry of the payload is in `dir`: folders made, files whole (size and CRC),
// writable with plain attributes, and dated as stored in the archive. The manifest must
// list `entries` entries, so that a wrong or empty one cannot pass.
void ExpectPayloadInstalled(const std::string& dir, const std::string& manifestPath,
                            size_t entries);
