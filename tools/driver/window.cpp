#include "tools/driver/window.h"

#include <cstdio>

#include "tools/driver/wait.h"

namespace windriver {

std::string WindowText(HWND window) {
    char text[4096] = {};
    const int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string ClassName(HWND window) {
    char name[256] = {};
    const int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

WindowInfo Describe(HWND window) {
    WindowInfo info;
    info.hwnd = window;
    info.className = ClassName(window);
    info.text = WindowText(window);
    GetWindowRect(window, &info.screen);
    info.inParent = info.screen;
    const HWND parent = GetAncestor(window, GA_PARENT);
    if (parent && parent != GetDesktopWindow())
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&info.inParent), 2);
    info.style = GetWindowLongA(window, GWL_STYLE);
    info.exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    info.visible = (info.style & WS_VISIBLE) != 0;
    info.id = GetDlgCtrlID(window);
    return info;
}

std::string RectText(const RECT& rect) {
    char text[96];
    std::snprintf(text, sizeof text, "(%ld,%ld %ldx%ld)", rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
    return text;
}

RECT MakeRect(int left, int top, int width, int height) {
    return RECT{left, top, left + width, top + height};
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->pid)
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTopLevel(DWORD pid, const char* className, const char* title) {
    for (HWND window : TopLevelWindows(pid)) {
        if (!IsWindowVisible(window))
            continue;
        if (className && ClassName(window) != className)
            continue;
        if (title && WindowText(window) != title)
            continue;
        return window;
    }
    return nullptr;
}

HWND WaitForTopLevel(DWORD pid, const char* className, const char* title, int timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopLevel(pid, className, title)) != nullptr; }, timeoutMs);
    return found;
}

bool MoveTopLevel(HWND window, POINT topLeft) {
    // Asynchronous, so that a target busy elsewhere cannot block the driver; the wait
    // below sees the move through.
    SetWindowPos(window, nullptr, topLeft.x, topLeft.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    return WaitUntil(
        [&] {
            RECT now{};
            return GetWindowRect(window, &now) && now.left == topLeft.x && now.top == topLeft.y;
        },
        5000);
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND ChildWithText(HWND parent, const std::string& text) {
    for (HWND child : ChildWindows(parent))
        if (WindowText(child) == text)
            return child;
    return nullptr;
}

HWND ChildOfClass(HWND parent, const char* className) {
    for (HWND child : ChildWindows(parent))
        if (ClassName(child) == className)
            return child;
    return nullptr;
}

std::string DumpChildren(HWND parent) {
    std::string dump;
    for (HWND child : ChildWindows(parent)) {
        const WindowInfo info = Describe(child);
        dump += "  [" + info.className + " #" + std::to_string(info.id) + "] \"" + info.text +
                "\" " + RectText(info.inParent) + (info.visible ? " visible" : " hidden") + "\n";
    }
    return dump;
}

// ---- message boxes ------------------------------------------------------------------------

std::vector<MessageBoxInfo> MessageBoxes(DWORD pid) {
    std::vector<MessageBoxInfo> boxes;
    for (HWND window : TopLevelWindows(pid)) {
        if (!IsWindowVisible(window) || ClassName(window) != "#32770")
            continue;
        MessageBoxInfo box;
        box.hwnd = window;
        box.title = WindowText(window);
        if (HWND text = GetDlgItem(window, 0xFFFF))
            box.text = WindowText(text);
        for (HWND child : ChildWindows(window))
            if (IsWindowVisible(child) && ClassName(child) == "Button")
                box.buttons.push_back(GetDlgCtrlID(child));
        boxes.push_back(std::move(box));
    }
    return boxes;
}

std::optional<MessageBoxInfo> WaitForMessageBox(DWORD pid, int timeoutMs, const char* title) {
    std::optional<MessageBoxInfo> found;
    WaitUntil(
        [&] {
            for (auto& box : MessageBoxes(pid))
                if (!title || box.title == title) {
                    found = std::move(box);
                    return true;
                }
            return false;
        },
        timeoutMs);
    return found;
}

bool PressDialogButton(HWND dialog, int id, Press how) {
    const HWND button = GetDlgItem(dialog, id);
    if (!button)
        return false;
    if (how == Press::Command)
        return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                            reinterpret_cast<LPARAM>(button)) != 0;
    // Sent, not posted: the button must see its own press and release in order. The
    // time-out keeps a hung target from hanging the driver.
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
}

} // namespace windriver
