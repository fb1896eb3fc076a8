#pragma once
// Starts and finds real processes of the sample product for tests.
#include <string>

// The sample product built with the tests, as a Windows path.
std::string BuiltProductExe();

// A copy of the sample product started under a given file name; ended on destruction.
class RunningCopy {
public:
    RunningCopy(const std::string& folder, const std::string& exeName);
    ~RunningCopy();
    RunningCopy(const RunningCopy&) = delete;
    RunningCopy& operator=(const RunningCopy&) = delete;
    bool started() const { return process_ != nullptr; }

private:
    void* process_ = nullptr;
};

// Processes whose executable file name equals `exeName` exactly.
int CountProcessesNamed(const std::string& exeName);
// Ends them all; gives how many were ended.
int EndProcessesNamed(const std::string& exeName);
// Waits until a process of that name exists or the time is up.
bool WaitForProcessNamed(const std::string& exeName, int timeoutMs);
