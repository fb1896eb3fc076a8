#include "bench/bench_support.h"

#include <windows.h>

#include <cinttypes>
#include <cstdio>

namespace bench {

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

bool ReadFileBytes(const std::string& path, std::vector<char>& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
             got == bytes.size();
    }
    CloseHandle(file);
    return ok;
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

namespace {
void CollectTree(const std::string& root, const std::string& relative,
                 std::vector<TreeEntry>& out) {
    const std::string here = relative.empty() ? root : root + "\\" + relative;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((here + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        const bool directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        out.push_back({path, directory});
        if (directory)
            CollectTree(root, path, out);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}
} // namespace

std::vector<TreeEntry> ListTree(const std::string& root) {
    std::vector<TreeEntry> entries;
    CollectTree(root, "", entries);
    return entries;
}

bool RemoveTree(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileA(path.c_str()) != 0;
    }
    for (const std::string& name : ListFolder(path))
        RemoveTree(path + "\\" + name);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

void Report(const char* key, double seconds, int result, uint64_t bytes) {
    std::printf("%s seconds=%.6f result=%d bytes=%" PRIu64 "\n", key, seconds, result, bytes);
    std::fflush(stdout);
}

} // namespace bench
