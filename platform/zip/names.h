#pragma once
// Which entry names the extraction writes, and where: GBK names with "/" between folders.
#include <cstddef>
#include <string>
#include <string_view>

// The length (1 or 2) of the GBK character at `at`, read the way the code page conversion
// of the A functions reads it: a lead byte swallows the next byte only when that byte can
// be a trail byte, so a trail 0x5C is no backslash, but "." and "/" never hide behind a
// lead byte.
size_t GbkCharLength(std::string_view text, size_t at);

// Whether the last character (not merely the last byte) is a backslash.
bool EndsWithBackslash(std::string_view text);

// False for a name that must not be written: one that could leave the target (empty,
// absolute, with a drive or any ':'), one Windows would change (an element ending in a
// dot or a space, a lead byte without its trail byte), one with a character Windows
// forbids (< > " | ? * and control characters) and one naming a device (CON, PRN, AUX,
// NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, with any extension, in any case, at any depth).
// Both slashes separate; a GBK trail byte 0x5C does not.
bool IsSafeEntryName(const std::string& name);

// target + "\\" (unless the target already ends with one) + name with "/" as "\\".
std::string EntryPath(const std::string& target, const std::string& name);
