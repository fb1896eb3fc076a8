#include "tests/zip/test_support.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

bool IsDots(const char* name) {
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsDots(found.cFileName))
                continue;
            std::string path = folder + "\\" + found.cFileName;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

uint64_t ToTicks(const FILETIME& time) {
    return static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

} // namespace

std::string FixturePath(const std::string& name) {
    std::string path = std::string(ZIP_FIXTURE_DIR) + "/" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

ScratchDir::ScratchDir() {
    static int serial = 0;
    char temp[MAX_PATH + 1];
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "zip-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial);
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() {
    RemoveTree(path_);
}

std::optional<std::string> ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    return CloseHandle(file) && ok;
}

bool Exists(const std::string& path) {
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

DWORD PlainFileAttributes() {
    bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine ? FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_NORMAL;
}

std::set<std::string> ListFolder(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!IsDots(found.cFileName))
            names.insert(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::optional<FileTimes> ReadFileTimes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    FILETIME creation, access, write;
    bool ok = GetFileTime(file, &creation, &access, &write);
    CloseHandle(file);
    if (!ok)
        return std::nullopt;
    return FileTimes{ToTicks(creation), ToTicks(access), ToTicks(write)};
}

uint64_t FileTimeOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME fields{};
    fields.wYear = year;
    fields.wMonth = month;
    fields.wDay = day;
    fields.wHour = hour;
    fields.wMinute = minute;
    fields.wSecond = second;
    FILETIME time{};
    SystemTimeToFileTime(&fields, &time);
    return ToTicks(time);
}

void ProgressLog::Record(void* context, int percent) {
    auto* log = static_cast<ProgressLog*>(context);
    log->values.push_back(percent);
    log->threads.push_back(GetCurrentThreadId());
}

std::string LabelToName(const std::string& label) {
    std::string name;
    bool upper = true;
    for (char c : label) {
        if (!isalnum(static_cast<unsigned char>(c))) {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(toupper(static_cast<unsigned char>(c))) : c;
        upper = false;
    }
    return name;
}
