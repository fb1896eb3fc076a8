#pragma once
// What the installer needs of the GUI runtime. The real runtime drives Win32 windows;
// tests link a recording stand-in instead, so the installer's routines never touch a
// window directly.
#include <string>

#include "platform/byte_block.h"
#include "platform/os/staged_file.h"
#include "platform/runtime/window_desc.h"

using ControlId = int; // index into the loaded window's control table

// Property indices. 0-7 are common to every control.
enum PropertyIndex : int {
    kPropLeft = 0,
    kPropTop = 1,
    kPropWidth = 2,
    kPropHeight = 3,
    kPropTag = 4,
    kPropVisible = 5,
    kPropDisabled = 6,
    kPropCursor = 7,
    kPropCaption = 8,        // 标签, 透明标签
    kPropNormalPicture = 10, // 图形按钮
    kPropHoverPicture = 11,  // 图形按钮
    kPropMaximum = 12,       // 进度条
    kPropPosition = 13,      // 进度条
};

// Answers of ShowMessageBox.
enum MessageBoxAnswer : int {
    kAnswerOk = 0,
    kAnswerCancel = 1,
    kAnswerAbort = 2,
    kAnswerRetry = 3,
    kAnswerIgnore = 4,
    kAnswerYes = 5,
    kAnswerNo = 6,
};

struct PropertyValue {
    long long number = 0; // integers and booleans
    std::string text;     // texts, as a fresh copy
};

void PrepareRuntime();
void RegisterCleanup(void (*routine)());
void LoadWindow(const WindowDesc& window);
void RunMessageLoop();
[[noreturn]] void ExitProgram(int code);
// Shows the runtime's own error box on the calling thread, then ends with -1 and
// without the clean-up.
[[noreturn]] void FatalRuntimeError(const char* what);

void SetControlProperty(ControlId control, int index, long long value);
void SetControlProperty(ControlId control, int index, const std::string& text);
void SetControlProperty(ControlId control, int index, ByteView picture);
PropertyValue GetControlProperty(ControlId control, int index);
void* GetWindowHandle(); // HWND of the main window

// An omitted title (nullptr) shows the runtime's default title.
int ShowMessageBox(const std::string& text, unsigned style, const char* title = nullptr);

// The extract operation of a ZIP component control. It reads the archive through the
// staged file's own handle, never by name; its progress event goes to the control's bound
// routine on the calling thread.
int ExtractArchive(ControlId zip, const StagedFile& archive, const std::string& target);

// Starts a routine on a new thread with the default stack size; the thread's handle is
// closed at once and nobody waits for it. Gives false when no thread could be started.
bool StartThread(void (*routine)());
