#pragma once
// Processes as the driver sees them: the ones it starts, and the ones it finds by the file
// name of their executable.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/scoped_win.h"

namespace windriver {

using Environment = std::vector<std::pair<std::string, std::string>>;

// A process started by the driver. Ended on destruction if it is still running, so a
// failing test never leaves it behind.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;

    // Starts `exe` (no arguments) with this process's environment plus `extra`, whose
    // variables replace same-named ones (names compare case-insensitively, as Windows
    // does). An empty `workDir` keeps the driver's current directory.
    static Process Start(const std::string& exe, const Environment& extra = {},
                         const std::string& workDir = {});

    bool started() const { return static_cast<bool>(handle_); }
    HANDLE handle() const { return handle_.Get(); }
    DWORD pid() const { return pid_; }
    // Why the start failed, when it did.
    const std::string& error() const { return error_; }

    bool Running() const;
    // The exit code once the process has ended within `timeoutMs`.
    std::optional<DWORD> WaitForExit(int timeoutMs) const;
    void Terminate();

private:
    UniqueHandle handle_;
    DWORD pid_ = 0;
    std::string error_;
};

// Ids of the running processes whose executable file name is `exeName`, compared by
// SameIgnoringAsciiCase (tools/driver/text.h).
std::vector<DWORD> ProcessIdsNamed(const std::string& exeName);
// Ends all of them and waits for each; gives how many were ended.
int TerminateProcessesNamed(const std::string& exeName);
// The full path of a process's executable, or empty.
std::string ProcessImagePath(DWORD pid);

} // namespace windriver
