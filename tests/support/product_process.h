#pragma once
// Running copies of the sample product, for tests that need the product running under a
// given file name. Finding and ending processes by name is the driver's
// (tools/driver/process.h).
#include <string>

#include "tools/driver/process.h"

// The sample product built with the tests, as a Windows path.
std::string BuiltProductExe();

// A copy of the sample product started under a given file name; ended on destruction.
class RunningCopy {
public:
    RunningCopy(const std::string& folder, const std::string& exeName);
    bool started() const { return process_.started(); }

private:
    windriver::Process process_;
};
