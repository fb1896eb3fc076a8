#pragma once
// What stands at a path before the extraction writes there, and how much room its drive
// has.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class PathKind {
    kMissing,
    kFolder,
    kFile,
    kLink,       // a junction, a symbolic link or another reparse point that leads elsewhere
    kUnreadable, // its attributes could not be read for another reason than its absence
};

// Whether a reparse point may lead somewhere else. Only Microsoft's tags that are no name
// surrogates (cloud files, deduplication and the like) keep a path what it seems; an
// unknown tag, or none (Wine shows a Unix symbolic link so), may lead anywhere.
bool IsLinkLike(DWORD attributes, DWORD reparseTag);

PathKind InspectPath(const std::string& path);

// The folder that holds `path` (up to its last backslash, a trail byte 0x5C being no
// backslash); empty when there is none.
std::string ParentFolder(std::string_view path);

// The bytes the caller may still write on the drive that holds `path`, asked of the
// nearest folder on the way up that exists; none when no folder could tell.
std::optional<uint64_t> FreeBytesFor(const std::string& path);
