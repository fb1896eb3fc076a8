#pragma once
#include <string>

// Every entry of the payload is in `dir`: folders made, files whole (size and CRC),
// writable with plain attributes, and dated as stored in the archive.
void ExpectPayloadInstalled(const std::string& dir, const std::string& manifestPath);
