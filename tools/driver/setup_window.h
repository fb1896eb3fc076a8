#pragma once
// setup.exe's main window as a driver finds it: the visible window with its title, and
// each control by its control id, which the runtime gives as the control's row in the
// window's table (ui/main_window.h). Where the controls are and what they show is for
// the tests to check, not for the finder to assume.
#include <windows.h>

#include <optional>
#include <string>

namespace windriver {

// What setup.exe's window and boxes are titled (GBK at run time).
inline constexpr char kSetupWindowTitle[] = "安装程序";
inline constexpr char kDefaultBoxTitle[] = "信息：";
inline constexpr char kQuestionTitle[] = "温馨提示：";

struct SetupWindow {
    HWND window = nullptr;
    HWND panel = nullptr; // covers the window and carries every control below
    HWND title = nullptr;
    HWND closeMark = nullptr;
    HWND logo = nullptr;
    HWND installButton = nullptr;
    HWND progressBar = nullptr;
    HWND dirCaption = nullptr;
    HWND stepLabel = nullptr;
    HWND installDir = nullptr;

    std::string StepText() const;
    std::string InstallDirText() const;
    bool BarShown() const;
    // The bar's position as it answers a message, or -1 when it does not answer in time.
    int BarPosition() const;
};

// Waits for the main window of process `pid` and all of its controls; nullopt when they
// do not appear in time, with what was missing in `problem` when given.
std::optional<SetupWindow> FindSetupWindow(DWORD pid, int timeoutMs,
                                           std::string* problem = nullptr);

} // namespace windriver
