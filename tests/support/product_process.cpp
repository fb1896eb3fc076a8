#include "tests/support/product_process.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

namespace {
std::vector<DWORD> ProcessIdsNamed(const std::string& exeName) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (exeName == entry.szExeFile)
            ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}
} // namespace

std::string BuiltProductExe() {
    std::string path = QUILLMERE_EXE;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

RunningCopy::RunningCopy(const std::string& folder, const std::string& exeName) {
    const std::string copy = folder + "\\" + exeName;
    if (!CopyFileA(BuiltProductExe().c_str(), copy.c_str(), FALSE))
        return;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string command = "\"" + copy + "\"";
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return;
    WaitForInputIdle(info.hProcess, 5000);
    CloseHandle(info.hThread);
    process_ = info.hProcess;
}

RunningCopy::~RunningCopy() {
    if (!process_)
        return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
}

int CountProcessesNamed(const std::string& exeName) {
    return static_cast<int>(ProcessIdsNamed(exeName).size());
}

int EndProcessesNamed(const std::string& exeName) {
    int ended = 0;
    for (DWORD id : ProcessIdsNamed(exeName)) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (!process)
            continue;
        if (TerminateProcess(process, 0))
            ++ended;
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
    return ended;
}

bool WaitForProcessNamed(const std::string& exeName, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        if (CountProcessesNamed(exeName) > 0)
            return true;
        Sleep(50);
    }
    return false;
}
