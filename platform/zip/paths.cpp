#include "platform/zip/paths.h"

#include "platform/zip/names.h"

namespace {

DWORD ReparseTagOf(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? found.dwReserved0 : 0;
}

std::string WithoutTrailingBackslash(std::string path) {
    if (path.size() > 1 && EndsWithBackslash(path))
        path.pop_back();
    return path;
}

} // namespace

bool IsLinkLike(DWORD attributes, DWORD reparseTag) {
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    return !IsReparseTagMicrosoft(reparseTag) || IsReparseTagNameSurrogate(reparseTag);
}

PathKind InspectPath(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? PathKind::kMissing
                   : PathKind::kUnreadable;
    }
    // The tag costs a directory search, so it is read only for a reparse point.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        IsLinkLike(attributes, ReparseTagOf(WithoutTrailingBackslash(path)))) {
        return PathKind::kLink;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kFolder : PathKind::kFile;
}

std::string ParentFolder(std::string_view path) {
    size_t last = std::string_view::npos;
    for (size_t at = 0; at < path.size(); at += GbkCharLength(path, at)) {
        if (path[at] == '\\' || path[at] == '/')
            last = at;
    }
    return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last));
}

std::optional<uint64_t> FreeBytesFor(const std::string& path) {
    for (std::string folder = WithoutTrailingBackslash(path); !folder.empty();
         folder = ParentFolder(folder)) {
        ULARGE_INTEGER available;
        // A folder name needs its backslash for GetDiskFreeSpaceExA to take it as one.
        if (GetDiskFreeSpaceExA((folder + "\\").c_str(), &available, nullptr, nullptr))
            return available.QuadPart;
    }
    return std::nullopt;
}
