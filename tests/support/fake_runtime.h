#pragma once
// A recording stand-in for the GUI runtime: the installer's routines run against it
// without a window, while files, processes and links stay real.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/runtime.h"

// Thrown by the stand-in's ExitProgram, which must not return to its caller.
struct ProgramExited {
    int code;
};
struct FatalErrorRaised {
    std::string what;
};

struct FakeRuntime {
    std::vector<std::string> log; // one line per call, in order
    std::map<std::pair<ControlId, int>, PropertyValue> properties;
    std::deque<int> answers; // next message-box answers; OK (or No) when empty
    std::function<void(const std::string& text)> onMessageBox;
    void (*pendingThread)() = nullptr;
    bool threadsStart = true;
    int extractResult = -2; // last ExtractArchive result; -2 before any call

    // Loads the main window's design-time properties and raises its created event.
    void Reset();
    long long Number(ControlId control, int index) const;
    std::string Text(ControlId control, int index) const;
    // Lines of the log that start with `prefix`.
    std::vector<std::string> Lines(const std::string& prefix) const;
    bool Logged(const std::string& line) const;
};

extern FakeRuntime gFake;

// Runs a routine that may end the program; gives the exit code or -100 when it returned.
int RunUntilExit(const std::function<void()>& routine);
