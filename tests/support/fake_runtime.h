#pragma once
// A recording stand-in for the GUI runtime: the installer's routines run against it
// without a window, while files, processes and links stay real.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/runtime.h"

struct FakeRuntime {
    std::vector<std::string> log; // one line per call, in order
    std::map<std::pair<ControlId, int>, PropertyValue> properties;
    std::deque<int> answers; // next message-box answers; OK (or No) when empty
    std::function<void(const std::string& text)> onMessageBox;
    void (*pendingThread)() = nullptr;
    bool threadsStart = true;
    int extractResult = -2; // last ExtractArchive result; -2 before any call
    // A result ExtractArchive gives without extracting, for ends no real archive reaches.
    std::optional<int> forcedExtractResult;
    std::string fatalError; // what the last fatal run-time error reported

    // Loads the main window's design-time properties and raises its created event.
    void Reset();
    long long Number(ControlId control, int index) const;
    std::string Text(ControlId control, int index) const;
    // Lines of the log that start with `prefix`.
    std::vector<std::string> Lines(const std::string& prefix) const;
    bool Logged(const std::string& line) const;
};

extern FakeRuntime gFake;

// Runs a routine that may end the program, on a thread of its own with the caller's COM
// apartment. ExitProgram and FatalRuntimeError end that thread where they are called, as
// the real ones end the process: nothing after them runs. Gives the exit code (-1 after a
// fatal error, whose text is in fatalError) or kReturned when the routine returned.
inline constexpr int kReturned = -100;
int RunUntilExit(const std::function<void()>& routine);
