#include "tests/runtime/runtime_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs))
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

void PumpFor(int milliseconds) {
    DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= static_cast<DWORD>(milliseconds); },
              milliseconds + 1000);
}

COLORREF Canvas::At(int x, int y) const {
    uint32_t p = pixels[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

RECT Canvas::InkBounds(COLORREF ground) const {
    RECT ink{width, height, 0, 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!Near(At(x, y), ground, 24)) {
                ink.left = std::min<LONG>(ink.left, x);
                ink.top = std::min<LONG>(ink.top, y);
                ink.right = std::max<LONG>(ink.right, x + 1);
                ink.bottom = std::max<LONG>(ink.bottom, y + 1);
            }
    if (ink.right == 0)
        ink = RECT{};
    return ink;
}

Canvas Render(HWND window) {
    Canvas canvas;
    RECT client;
    GetClientRect(window, &client);
    canvas.width = client.right;
    canvas.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = canvas.width;
    info.bmiHeader.biHeight = -canvas.height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    canvas.pixels.assign(p, p + static_cast<size_t>(canvas.width) * canvas.height);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return canvas;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

namespace {
BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char type[16] = {};
    GetClassNameA(window, type, sizeof type);
    if (process == GetCurrentProcessId() && std::string(type) == "#32770" &&
        IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND WaitForBox(int timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND box = nullptr;
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
        if (box)
            return box;
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs))
            return nullptr;
        Sleep(20);
    }
}

std::string WindowTextOf(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string BoxText(HWND box) {
    char text[1024] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

// Posted like real input: a sent WM_COMMAND ends the dialog, but Wine's dialog loop then
// sleeps until some other message comes along.
void AnswerBox(HWND box, int id) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

void AnswerFatalBoxLater(const char* expectedText, DWORD expectedThread, HWND gui) {
    std::thread([=] {
        HWND box = WaitForBox();
        if (!box) {
            std::fprintf(stderr, "no fatal box appeared\n");
            return;
        }
        bool mentions = BoxText(box).find(expectedText) != std::string::npos;
        bool onThread = GetWindowThreadProcessId(box, nullptr) == expectedThread;
        bool guiBlocked = !gui || !IsWindowEnabled(gui);
        std::fprintf(stderr, "fatal box: %s, %s, %s\n", mentions ? "names the failure" : "text?",
                     onThread ? "on the failing thread" : "thread?",
                     guiBlocked ? "window blocked" : "window?");
        AnswerBox(box, IDOK);
    }).detach();
}

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}
