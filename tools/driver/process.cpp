#include "tools/driver/process.h"

#include <tlhelp32.h>

#include <cstring>

#include "tools/driver/text.h"

namespace windriver {

namespace {

std::string LastErrorText(const char* what) {
    return std::string(what) + " failed, error " + std::to_string(GetLastError());
}

// The driver's environment with `extra` put in. Windows keeps a few "=C:" style
// entries whose names start with '='; they pass through untouched.
std::string BuildEnvironmentBlock(const Environment& extra) {
    std::vector<std::string> entries;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* p = block; *p; p += std::strlen(p) + 1)
            entries.emplace_back(p);
        FreeEnvironmentStringsA(block);
    }
    for (const auto& [name, value] : extra) {
        std::erase_if(entries, [&](const std::string& entry) {
            const size_t equals = entry.find('=', 1);
            return equals != std::string::npos &&
                   SameIgnoringAsciiCase(entry.substr(0, equals), name);
        });
        entries.push_back(name + "=" + value);
    }
    std::string block;
    for (const auto& entry : entries)
        block.append(entry).push_back('\0');
    block.push_back('\0');
    return block;
}

} // namespace

Process::~Process() {
    Terminate();
}

Process::Process(Process&& other) noexcept
    : handle_(std::move(other.handle_)), pid_(std::exchange(other.pid_, 0)),
      error_(std::move(other.error_)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Terminate();
        handle_ = std::move(other.handle_);
        pid_ = std::exchange(other.pid_, 0);
        error_ = std::move(other.error_);
    }
    return *this;
}

Process Process::Start(const std::string& exe, const Environment& extra,
                       const std::string& workDir) {
    Process process;
    std::string environment = BuildEnvironmentBlock(extra);
    std::string command = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, environment.data(),
                        workDir.empty() ? nullptr : workDir.c_str(), &startup, &info)) {
        process.error_ = LastErrorText("CreateProcessA") + " for " + exe;
        return process;
    }
    CloseHandle(info.hThread);
    process.handle_.Reset(info.hProcess);
    process.pid_ = info.dwProcessId;
    return process;
}

bool Process::Running() const {
    return handle_ && WaitForSingleObject(handle_.Get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(int timeoutMs) const {
    if (!handle_ ||
        WaitForSingleObject(handle_.Get(), static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(handle_.Get(), &code))
        return std::nullopt;
    return code;
}

void Process::Terminate() {
    if (!handle_)
        return;
    if (Running()) {
        TerminateProcess(handle_.Get(), 1);
        WaitForSingleObject(handle_.Get(), 10000);
    }
    handle_.Reset();
    pid_ = 0;
}

std::vector<DWORD> ProcessIdsNamed(const std::string& exeName) {
    std::vector<DWORD> ids;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry))
        if (SameIgnoringAsciiCase(entry.szExeFile, exeName))
            ids.push_back(entry.th32ProcessID);
    return ids;
}

int TerminateProcessesNamed(const std::string& exeName) {
    int ended = 0;
    for (DWORD id : ProcessIdsNamed(exeName)) {
        UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (!process)
            continue;
        if (TerminateProcess(process.Get(), 1))
            ++ended;
        WaitForSingleObject(process.Get(), 10000);
    }
    return ended;
}

std::string ProcessImagePath(DWORD pid) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process)
        return {};
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    if (!QueryFullProcessImageNameA(process.Get(), 0, path, &size))
        return {};
    return std::string(path, size);
}

} // namespace windriver
