#pragma once
// Drives a Windows GUI process from outside, the way a user or an accessibility tool
// would: start it, find its windows, read what they show, press, click and type, and
// look at the screen. Nothing here reaches into the other process's memory; everything
// goes through window messages, input and the screen.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace windriver {

// ---- waiting ----------------------------------------------------------------------------

// Polls `condition` until it holds or `timeoutMs` have passed; gives whether it held.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs, int stepMs = 25);
// Polls `condition` for `durationMs`; gives false as soon as it fails once. For "nothing
// happens" checks: the grace period only bounds how long the driver looks.
bool HoldsFor(const std::function<bool()>& condition, int durationMs, int stepMs = 25);

// ---- processes ----------------------------------------------------------------------------

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

    bool started() const { return handle_ != nullptr; }
    HANDLE handle() const { return handle_; }
    DWORD pid() const { return pid_; }
    // Why the start failed, when it did.
    const std::string& error() const { return error_; }

    bool Running() const;
    // The exit code once the process has ended within `timeoutMs`.
    std::optional<DWORD> WaitForExit(int timeoutMs) const;
    void Terminate();

private:
    HANDLE handle_ = nullptr;
    DWORD pid_ = 0;
    std::string error_;
};

// Ids of the running processes whose executable file name equals `exeName`, ignoring
// the case of ASCII letters.
std::vector<DWORD> ProcessIdsNamed(const std::string& exeName);
// Ends all of them and waits for each; gives how many were ended.
int TerminateProcessesNamed(const std::string& exeName);
// The full path of a process's executable, or empty.
std::string ProcessImagePath(DWORD pid);

// ---- windows ------------------------------------------------------------------------------

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
// The direct child whose place in the parent's client area is `inParent`, or null.
HWND ChildAt(HWND parent, const RECT& inParent);
// The direct child whose window text is `text`, or null.
HWND ChildWithText(HWND parent, const std::string& text);
// The direct child of that class, or null.
HWND ChildOfClass(HWND parent, const char* className);
// One line per direct child: class, text, place, visibility. For failure messages.
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

// ---- mouse and keyboard ---------------------------------------------------------------------

// Posts a mouse message to the window, the point in its client coordinates. Reaches the
// window's procedure even where a real click would not (a disabled window, a covered one).
bool PostMouse(HWND window, UINT message, POINT client, WPARAM keys = 0);
// Posts a left button press and release at the point.
bool PostClick(HWND window, POINT client);
POINT ClientCentre(HWND window);
POINT ToScreen(HWND window, POINT client);

// Real input through the system's input queue, for what depends on where the pointer is
// (hover, capture, which window is under it, whether that window is enabled).
bool MoveMouseTo(POINT screen);
bool LeftButton(bool down);
bool RealClick(POINT screen);
// Presses and releases a key for the focused window.
bool TypeKey(WORD virtualKey);
// Brings the window to the front and gives it the keyboard focus, as a click would.
bool BringToFront(HWND window);

// ---- the screen --------------------------------------------------------------------------

struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels; // row by row, top row first

    bool empty() const { return pixels.empty(); }
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    Image Crop(const RECT& area) const;
};

// Whether the window and every window inside it have painted all that was invalidated in
// them. The system keeps that per window, so it can be asked of another process's.
bool NothingLeftToPaint(HWND window);

COLORREF ScreenPixel(POINT screen);
// What the screen shows in `area` (screen coordinates); empty when it cannot be read.
Image CaptureScreen(const RECT& area);
Image CaptureWindow(HWND window);
// Writes a 24-bit bottom-up BMP file.
bool SaveBmp(const Image& image, const std::string& path);
// Decodes a picture file the system can read (JPEG, BMP, GIF) at its natural size.
// Needs COM initialised on the calling thread.
Image LoadPictureFile(const std::string& path);

// Whether each channel differs by at most `tolerance`.
bool NearColour(COLORREF a, COLORREF b, int tolerance);
std::string ColourText(COLORREF colour);
// How many pixels of `image` are near `colour`.
int CountNear(const Image& image, COLORREF colour, int tolerance);
// The share (0 to 1) of pixels in which some channel differs by more than `tolerance`.
// Images of different sizes give 1.
double ShareDifferent(const Image& a, const Image& b, int tolerance);

} // namespace windriver
