#pragma once
// The windows of another process, found and read from outside: through window messages
// and the system's own records, never through the target's memory.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace windriver {

struct WindowInfo {
    HWND hwnd = nullptr;
    std::string className;
    std::string text;
    RECT screen{};   // window rectangle on the screen
    RECT inParent{}; // relative to the parent's client area; the screen one for top-level
    LONG style = 0;
    LONG exStyle = 0;
    bool visible = false; // WS_VISIBLE of the window itself, whatever its parents say
    int id = 0;
};

WindowInfo Describe(HWND window);
// The window text as the system keeps it (no message sent, so a hung target cannot
// block the driver), in the driver's ANSI code page.
std::string WindowText(HWND window);
std::string ClassName(HWND window);
// A rectangle as left, top, width and height, for readable failure messages.
std::string RectText(const RECT& rect);
RECT MakeRect(int left, int top, int width, int height);
bool SameRect(const RECT& a, const RECT& b);

// Top-level windows owned by the process (any thread), in z-order, top first.
std::vector<HWND> TopLevelWindows(DWORD pid);
// The first visible top-level window of the process that has the class and the title;
// a null argument matches anything.
HWND FindTopLevel(DWORD pid, const char* className, const char* title);
HWND WaitForTopLevel(DWORD pid, const char* className, const char* title, int timeoutMs);

// Moves a top-level window of any process so that its top-left corner is at `topLeft`,
// keeping its size; gives whether it got there.
bool MoveTopLevel(HWND window, POINT topLeft);

// Direct children, top of the z-order first.
std::vector<HWND> ChildWindows(HWND parent);
// The direct child whose window text is `text`, or null.
HWND ChildWithText(HWND parent, const std::string& text);
// The direct child of that class, or null.
HWND ChildOfClass(HWND parent, const char* className);
// One line per direct child: class, id, text, place, visibility. For failure messages.
std::string DumpChildren(HWND parent);

// ---- message boxes ------------------------------------------------------------------------

struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string title;
    std::string text;         // the static control with id 0xFFFF
    std::vector<int> buttons; // ids of the visible buttons, left to right as created
};

// The visible dialog boxes (#32770) of the process.
std::vector<MessageBoxInfo> MessageBoxes(DWORD pid);
// The first message box of the process, with that title when `title` is not null.
std::optional<MessageBoxInfo> WaitForMessageBox(DWORD pid, int timeoutMs,
                                                const char* title = nullptr);

enum class Press {
    Click,   // BM_CLICK on the button, as a click on it would
    Command, // WM_COMMAND with the button's id to the dialog, as a keyboard shortcut would
};
// Presses a dialog button; gives whether the button exists and the message went out.
bool PressDialogButton(HWND dialog, int id, Press how = Press::Click);

} // namespace windriver
