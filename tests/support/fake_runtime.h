#pragma once
// A recording stand-in for the GUI runtime: the installer's routines run against it
// without a window, while files, processes and links stay real. Each call is kept as a
// record of what was asked: the operation, the control and property it touched, and the
// value it carried.
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "platform/runtime/runtime.h"

enum class Op {
    Prepare,         // PrepareRuntime
    RegisterCleanup, // RegisterCleanup
    LoadWindow,      // LoadWindow
    MessageLoop,     // RunMessageLoop
    Exit,            // ExitProgram: the code
    Fatal,           // FatalRuntimeError: the text
    Set,             // SetControlProperty: a number, a text or a picture
    Box,             // ShowMessageBox
    Extract,         // ExtractArchive, before it extracts
    Extracted,       // ExtractArchive, after it: the result
    StartThread,     // StartThread
};

struct Picture {
    size_t bytes = 0;
    bool operator==(const Picture&) const = default;
};

struct BoxShown {
    std::string text;
    unsigned style = 0;
    std::optional<std::string> title; // none: the runtime's default title
    bool operator==(const BoxShown&) const = default;
};

struct Extraction {
    std::string archive; // the staged file's path
    std::string target;
    bool operator==(const Extraction&) const = default;
};

using Value = std::variant<std::monostate, long long, std::string, Picture, BoxShown, Extraction>;

inline constexpr ControlId kNoControl = -1;
inline constexpr int kNoProperty = -1;

struct Call {
    Op op{};
    ControlId control = kNoControl;
    int property = kNoProperty;
    Value value;
    bool operator==(const Call&) const = default;

    static Call Of(Op op) { return Call{op, kNoControl, kNoProperty, {}}; }
    static Call Set(ControlId control, int property, long long number);
    static Call Set(ControlId control, int property, std::string text);
    static Call SetPicture(ControlId control, int property, size_t bytes);
    static Call Box(std::string text, unsigned style,
                    std::optional<std::string> title = std::nullopt);
    static Call Exit(int code);
    static Call Extract(ControlId zip, std::string archive, std::string target);
    static Call Extracted(ControlId zip, int result);
};

// Prints a record the way a reader names it: `set 标签_日志.caption "..."`.
void PrintTo(const Call& call, std::ostream* out);

struct FakeRuntime {
    std::vector<Call> calls; // one record per call, in order
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

    // The records of one operation, in order.
    std::vector<Call> CallsOf(Op op) const;
    // The records that touched the control, whatever the operation or property.
    std::vector<Call> CallsOn(ControlId control) const;
    // What was set into one property, in order.
    std::vector<long long> NumbersSet(ControlId control, int property) const;
    std::vector<std::string> TextsSet(ControlId control, int property) const;
    std::vector<BoxShown> Boxes() const;
    bool Made(const Call& call) const;
};

extern FakeRuntime gFake;

// Runs a routine that may end the program, on a thread of its own with the caller's COM
// apartment. ExitProgram and FatalRuntimeError end that thread where they are called, as
// the real ones end the process: nothing after them runs. Gives the exit code (-1 after a
// fatal error, whose text is in fatalError) or kReturned when the routine returned.
inline constexpr int kReturned = -100;
int RunUntilExit(const std::function<void()>& routine);
