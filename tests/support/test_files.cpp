#include "tests/support/test_files.h"

#include <windows.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {
std::string EnvOrEmpty(const char* name) {
    char buffer[MAX_PATH * 2] = {};
    const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string HexDecode(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}
} // namespace

ScratchDir::ScratchDir(const std::string& label) {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "installer-test-" + label + "-" +
            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() {
    RemoveTree(path_);
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Shares everything, so that a file another handle holds (a staged archive) can be read.
std::vector<uint8_t> ReadAll(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    std::vector<uint8_t> bytes;
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size)) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
            read = 0;
        bytes.resize(read);
    }
    CloseHandle(file);
    return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

uint32_t PlainFileAttributes() {
    return RunningUnderWine() ? FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_NORMAL;
}

uint32_t Crc32Of(const std::vector<uint8_t>& bytes) {
    return static_cast<uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

std::vector<ManifestEntry> LoadManifest(const std::string& path) {
    std::vector<ManifestEntry> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string nameHex;
        ManifestEntry entry{};
        int directory = 0;
        fields >> nameHex >> entry.size >> std::hex >> entry.crc >> entry.dosAttributes >>
            std::dec >> directory >> entry.dosTime;
        entry.name = HexDecode(nameHex);
        entry.directory = directory != 0;
        if (!nameHex.empty())
            entries.push_back(entry);
    }
    return entries;
}

TempDirOverride::TempDirOverride(const std::string& folder)
    : tmp_(EnvOrEmpty("TMP")), temp_(EnvOrEmpty("TEMP")) {
    const std::string withSlash = folder + "\\";
    SetEnvironmentVariableA("TMP", withSlash.c_str());
    SetEnvironmentVariableA("TEMP", withSlash.c_str());
}

TempDirOverride::~TempDirOverride() {
    SetEnvironmentVariableA("TMP", tmp_.empty() ? nullptr : tmp_.c_str());
    SetEnvironmentVariableA("TEMP", temp_.empty() ? nullptr : temp_.c_str());
}

std::string LastWriteStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return {};
    SYSTEMTIME t{};
    FileTimeToSystemTime(&data.ftLastWriteTime, &t);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u%02u%02u%02u%02u%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return stamp;
}
