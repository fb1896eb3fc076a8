#include "tools/driver/setup_window.h"

#include <commctrl.h>

#include "tools/driver/wait.h"
#include "tools/driver/window.h"
#include "ui/main_window.h"

namespace windriver {

namespace {

struct ControlSlot {
    HWND SetupWindow::*field;
    ControlId id;
    const char* what;
};

constexpr ControlSlot kControls[] = {
    {&SetupWindow::title, 透明标签1, "title"},
    {&SetupWindow::closeMark, 透明标签4, "close mark"},
    {&SetupWindow::logo, 图片框_Logo, "logo"},
    {&SetupWindow::installButton, 图形按钮1, "install button"},
    {&SetupWindow::progressBar, 进度条1, "progress bar"},
    {&SetupWindow::dirCaption, 标签1, "directory caption"},
    {&SetupWindow::stepLabel, 标签_日志, "step label"},
    {&SetupWindow::installDir, 标签_安装目录, "install directory"},
};

// Fills in what can be found now; gives what is still missing, or empty.
std::string Search(DWORD pid, SetupWindow& ui) {
    ui = SetupWindow{};
    ui.window = FindTopLevel(pid, nullptr, kSetupWindowTitle);
    if (!ui.window)
        return std::string("no visible window titled ") + kSetupWindowTitle;
    ui.panel = GetDlgItem(ui.window, 图片框1_背景);
    if (!ui.panel)
        return "no panel (control " + std::to_string(图片框1_背景) + ") among:\n" +
               DumpChildren(ui.window);
    for (const ControlSlot& slot : kControls) {
        ui.*slot.field = GetDlgItem(ui.panel, slot.id);
        if (!(ui.*slot.field))
            return std::string("no ") + slot.what + " (control " + std::to_string(slot.id) +
                   ") among the panel's children:\n" + DumpChildren(ui.panel);
    }
    return {};
}

} // namespace

std::string SetupWindow::StepText() const {
    return WindowText(stepLabel);
}

std::string SetupWindow::InstallDirText() const {
    return WindowText(installDir);
}

bool SetupWindow::BarShown() const {
    return (GetWindowLongA(progressBar, GWL_STYLE) & WS_VISIBLE) != 0;
}

int SetupWindow::BarPosition() const {
    DWORD_PTR position = 0;
    if (!SendMessageTimeoutA(progressBar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &position))
        return -1;
    return static_cast<int>(position);
}

std::optional<SetupWindow> FindSetupWindow(DWORD pid, int timeoutMs, std::string* problem) {
    SetupWindow ui;
    std::string missing;
    if (WaitUntil([&] { return (missing = Search(pid, ui)).empty(); }, timeoutMs))
        return ui;
    if (problem)
        *problem = missing;
    return std::nullopt;
}

} // namespace windriver
