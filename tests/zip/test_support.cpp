#include "tests/zip/test_support.h"

#include <winioctl.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

bool IsDots(const char* name) {
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

std::string UnixPathOf(const std::string& path) {
    using UnixName = char*(CDECL*)(const WCHAR*);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    std::wstring wide(path.size() + 1, L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(),
                                     static_cast<int>(wide.size()));
    if (!unixName || length == 0)
        return {};
    char* name = unixName(wide.c_str());
    std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

std::wstring Utf8ToWide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(),
                                     static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length) - 1 : 0);
    return wide;
}

bool Listed(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

// Wine runs a Unix program given by its Unix path; the wide command line reaches it as
// UTF-8, which Unix paths are. The handle it gives does not follow the Unix process, so
// the caller waits for the program's effect instead.
bool RunUnix(const std::wstring& command, bool (*done)(const std::string&),
             const std::string& path) {
    std::wstring line = command;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    for (int waited = 0; waited < 10000; waited += 10) {
        if (done(path))
            return true;
        Sleep(10);
    }
    return false;
}

std::wstring QuotedUnixPath(const std::string& path) {
    return L"\"" + Utf8ToWide(UnixPathOf(path)) + L"\"";
}

// Wine takes a Unix symbolic link for the folder it leads to, and would remove that one.
void RemoveLink(const std::string& link) {
    if (RunningUnderWine())
        RunUnix(
            L"/bin/rm -f " + QuotedUnixPath(link),
            [](const std::string& path) { return !Listed(path); }, link);
    else
        RemoveDirectoryA(link.c_str());
}

void RemoveTree(const std::string& folder) {
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveLink(folder);
        return;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsDots(found.cFileName))
                continue;
            std::string path = folder + "\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveLink(path);
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    // A Unix link whose folder went first shows as no link at all.
    if (!RemoveDirectoryA(folder.c_str()) && Listed(folder) && RunningUnderWine()) {
        RunUnix(
            L"/bin/rm -rf " + QuotedUnixPath(folder),
            [](const std::string& path) { return !Listed(path); }, folder);
    }
}

uint64_t ToTicks(const FILETIME& time) {
    return static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

std::string TempFolder() {
    char temp[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof temp, temp);
    return std::string(temp, length > 0 ? length - 1 : 0); // without its backslash
}

} // namespace

std::string FixturePath(const std::string& name) {
    std::string path = std::string(ZIP_FIXTURE_DIR) + "/" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

ScratchDir::ScratchDir() : ScratchDir(TempFolder()) {}

ScratchDir::ScratchDir(const std::string& parent) {
    static int serial = 0;
    path_ = parent + "\\zip-test-" + std::to_string(GetCurrentProcessId()) + "-" +
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
    return RunningUnderWine() ? FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_NORMAL;
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

namespace {

void AddTree(const std::string& folder, const std::string& prefix, std::set<std::string>& paths) {
    for (const std::string& name : ListFolder(folder)) {
        std::string path = folder + "\\" + name;
        DWORD attributes = Attributes(path);
        bool descend =
            (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        paths.insert(prefix + name + (descend ? "\\" : ""));
        if (descend)
            AddTree(path, prefix + name + "\\", paths);
    }
}

// A mount-point reparse point, which needs no privilege to make.
bool MakeJunction(const std::string& link, const std::string& target) {
    if (!CreateDirectoryA(link.c_str(), nullptr))
        return false;
    std::wstring substitute = L"\\??\\";
    for (char c : target)
        substitute += static_cast<wchar_t>(static_cast<unsigned char>(c));
    struct MountPoint {
        DWORD tag;
        WORD dataLength, reserved, substituteOffset, substituteLength, printOffset, printLength;
        WCHAR paths[MAX_PATH * 2];
    } point{};
    WORD bytes = static_cast<WORD>(substitute.size() * sizeof(WCHAR));
    point.tag = IO_REPARSE_TAG_MOUNT_POINT;
    point.substituteLength = bytes;
    point.printOffset = static_cast<WORD>(bytes + sizeof(WCHAR));
    memcpy(point.paths, substitute.c_str(), bytes);
    point.dataLength = static_cast<WORD>(8 + bytes + 2 * sizeof(WCHAR));
    HANDLE folder = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    DWORD returned = 0;
    bool made = folder != INVALID_HANDLE_VALUE &&
                DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, &point, point.dataLength + 8,
                                nullptr, 0, &returned, nullptr);
    if (folder != INVALID_HANDLE_VALUE)
        CloseHandle(folder);
    if (!made)
        RemoveDirectoryA(link.c_str());
    return made;
}

bool MakeUnixLink(const std::string& link, const std::string& target) {
    auto made = [](const std::string& path) {
        DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    };
    return !UnixPathOf(target).empty() && !UnixPathOf(link).empty() &&
           RunUnix(L"/bin/ln -s " + QuotedUnixPath(target) + L" " + QuotedUnixPath(link), made,
                   link);
}

HANDLE StartOtherProcess(const std::string& arguments) {
    std::string command = std::string("\"") + ZIP_OTHER_PROCESS + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

} // namespace

std::set<std::string> ListTree(const std::string& folder) {
    std::set<std::string> paths;
    AddTree(folder, "", paths);
    return paths;
}

bool MakeFolderLink(const std::string& link, const std::string& target) {
    return MakeJunction(link, target) || (RunningUnderWine() && MakeUnixLink(link, target));
}

HeldByOtherProcess::HeldByOtherProcess(const std::string& path) {
    std::string eventName = "zip-test-held-" + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(GetTickCount64());
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    process_ = StartOtherProcess("hold \"" + path + "\" " + eventName);
    HANDLE waits[] = {ready, process_};
    holding_ = process_ && ready && WaitForMultipleObjects(2, waits, FALSE, 10000) == WAIT_OBJECT_0;
    if (ready)
        CloseHandle(ready);
}

HeldByOtherProcess::~HeldByOtherProcess() {
    if (!process_)
        return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
}

int ChangesByOtherProcess(const std::string& path) {
    HANDLE process = StartOtherProcess("try \"" + path + "\"");
    if (!process)
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code))
        code = static_cast<DWORD>(-1);
    CloseHandle(process);
    return static_cast<int>(code);
}

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
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
