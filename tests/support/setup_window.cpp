#include "tests/support/setup_window.h"

#include <commctrl.h>

#include "tests/support/win_driver.h"

using namespace windriver;

std::optional<SetupWindow> FindSetupWindow(DWORD pid, int timeoutMs) {
    SetupWindow found{};
    found.window = WaitForTopLevel(pid, nullptr, "安装程序", timeoutMs);
    if (!found.window)
        return std::nullopt;
    found.panel = ChildAt(found.window, MakeRect(0, 0, 250, 400));
    if (!found.panel)
        return std::nullopt;
    found.button = ChildAt(found.panel, MakeRect(14, 255, 220, 80));
    found.step = ChildAt(found.panel, MakeRect(79, 344, 160, 24));
    found.dir = ChildAt(found.panel, MakeRect(7, 367, 232, 25));
    found.bar = ChildOfClass(found.panel, PROGRESS_CLASSA);
    if (!found.button || !found.step || !found.dir || !found.bar)
        return std::nullopt;
    return found;
}
