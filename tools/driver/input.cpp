#include "tools/driver/input.h"

#include "tools/driver/wait.h"

namespace windriver {

namespace {
bool SendInputs(INPUT* inputs, UINT count) {
    return SendInput(count, inputs, sizeof(INPUT)) == count;
}
} // namespace

bool PostMouse(HWND window, UINT message, POINT client, WPARAM keys) {
    return PostMessageA(window, message, keys, MAKELPARAM(client.x, client.y)) != 0;
}

bool PostClick(HWND window, POINT client) {
    return PostMouse(window, WM_LBUTTONDOWN, client, MK_LBUTTON) &&
           PostMouse(window, WM_LBUTTONUP, client, 0);
}

POINT ClientCentre(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return POINT{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
}

POINT ToScreen(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
}

bool MoveMouseTo(POINT screen) {
    // Absolute input is in 1/65536ths of the screen; rounding up lands on the pixel itself
    // when the system scales back down.
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = static_cast<LONG>((static_cast<LONGLONG>(screen.x) * 65536 + width - 1) / width);
    move.mi.dy = static_cast<LONG>((static_cast<LONGLONG>(screen.y) * 65536 + height - 1) / height);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInputs(&move, 1);
    POINT now{};
    if (WaitUntil([&] { return GetCursorPos(&now) && now.x == screen.x && now.y == screen.y; },
                  500))
        return true;
    return SetCursorPos(screen.x, screen.y) != 0;
}

bool LeftButton(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    return SendInputs(&input, 1);
}

bool RealClick(POINT screen) {
    return MoveMouseTo(screen) && LeftButton(true) && LeftButton(false);
}

bool TypeKey(WORD virtualKey) {
    INPUT keys[2]{};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = virtualKey;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInputs(keys, 2);
}

bool BringToFront(HWND window) {
    SetForegroundWindow(window);
    return WaitUntil([&] { return GetForegroundWindow() == window; }, 2000);
}

// ---- the screen --------------------------------------------------------------------------

} // namespace windriver
