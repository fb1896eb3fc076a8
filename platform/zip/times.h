#pragma once
// The time an entry's file gets: its DOS time as it stands, or the modification time of
// its extended-timestamp field "UT" when it has one.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>

// The modification time (Unix seconds) of an extended-timestamp field "UT" in a ZIP extra
// field block, if there is a well-formed one carrying it.
std::optional<int64_t> ExtendedModTime(std::span<const unsigned char> extra);

// The entry's time as a FILETIME, taken as UTC without any time-zone shift; none for a
// DOS date that names no day.
std::optional<FILETIME> EntryTime(unsigned long dosDate, std::span<const unsigned char> extra);

// Whether a write time read back is the one that was set, allowing for the two-second
// steps in which FAT volumes keep it.
bool SameWriteTime(const FILETIME& set, const FILETIME& readBack);
