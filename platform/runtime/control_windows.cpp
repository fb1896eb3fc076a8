#include "platform/runtime/control_windows.h"

#include <commctrl.h>
#include <windowsx.h>

#include <string>

namespace {
constexpr COLORREF kButtonGround = RGB(0, 0, 0);

bool Inside(HWND window, LPARAM point) {
    RECT client;
    GetClientRect(window, &client);
    return PtInRect(&client, POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)});
}

void FillSolid(HDC dc, const RECT& area, COLORREF color) {
    COLORREF old = SetBkColor(dc, color);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

// ---- pointer ---------------------------------------------------------------------------

// A child hands WM_SETCURSOR up to its parent, so the first of our windows that sees it
// decides for the control under the pointer, whatever that control's class.
bool ShowControlPointer(WPARAM under, LPARAM hit) {
    const Control* control = ControlOf(reinterpret_cast<HWND>(under));
    if (!control || control->pointer != PointerShape::Hand || LOWORD(hit) != HTCLIENT)
        return false;
    SetCursor(LoadCursorA(nullptr, IDC_HAND));
    return true;
}

LRESULT DefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETCURSOR && ShowControlPointer(wParam, lParam))
        return TRUE;
    return DefWindowProcA(window, message, wParam, lParam);
}

// ---- painting --------------------------------------------------------------------------

using Painter = void (*)(const Control&, HDC, const RECT& client);

void PaintWindow(const Control& control, HDC dc, const RECT& client) {
    FillSolid(dc, client, control.desc->backColor);
}

void PaintPictureBox(const Control& control, HDC dc, const RECT& client) {
    FillSolid(dc, client, control.desc->backColor);
    control.picture.Stretch(dc, client);
}

// The parent paints what lies behind a transparent label, shifted into the label's DC.
void PaintParentBehind(HWND window, HDC dc) {
    HWND parent = GetParent(window);
    POINT origin{0, 0};
    MapWindowPoints(window, parent, &origin, 1);
    POINT old;
    OffsetViewportOrgEx(dc, -origin.x, -origin.y, &old);
    SendMessageA(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void PaintLabel(const Control& control, HDC dc, const RECT& client) {
    const ControlDesc& desc = *control.desc;
    if (desc.kind == ControlKind::TransparentLabel)
        PaintParentBehind(control.window, dc);
    else
        FillSolid(dc, client, desc.backColor);
    ScopedSelect font(dc, control.font);
    SetTextColor(dc, desc.textColor);
    SetBkMode(dc, TRANSPARENT);
    std::string caption = WindowText(control.window);
    RECT area = client;
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &area,
              DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

bool ShowsHover(const Control& button) {
    return button.over && !button.held && button.hover;
}

void PaintButton(const Control& button, HDC dc, const RECT& client) {
    FillSolid(dc, client, kButtonGround);
    (ShowsHover(button) ? button.hover : button.picture).Draw(dc, 0, 0);
}

// WM_PRINTCLIENT is answered like WM_PAINT, so a transparent child can ask its parent for
// the pixels behind it.
LRESULT PaintedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Painter painter) {
    const Control* control = ControlOf(window);
    if (!control)
        return DefaultProc(window, message, wParam, lParam);
    RECT client;
    GetClientRect(window, &client);
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the painter covers every pixel
    case WM_PRINTCLIENT:
        painter(*control, reinterpret_cast<HDC>(wParam), client);
        return 0;
    case WM_PAINT: {
        PaintScope paint(window);
        painter(*control, paint.Dc(), client);
        return 0;
    }
    }
    return DefaultProc(window, message, wParam, lParam);
}

// ---- window procedures -----------------------------------------------------------------

bool IsBlockedCommand(WPARAM command) {
    switch (command & 0xFFF0) {
    case SC_MOVE:
    case SC_SIZE:
    case SC_MINIMIZE:
    case SC_MAXIMIZE:
        return true;
    }
    return false;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSCOMMAND:
        if (IsBlockedCommand(wParam))
            return 0;
        break;
    case WM_DESTROY:
        if (--gRuntime.openWindows == 0)
            PostQuitMessage(0);
        break;
    case WM_NCDESTROY: // the children are gone by now
        for (Control& control : gRuntime.controls)
            control.window = nullptr;
        break;
    }
    return PaintedProc(window, message, wParam, lParam, PaintWindow);
}

LRESULT CALLBACK PictureBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PaintedProc(window, message, wParam, lParam, PaintPictureBox);
}

void RaiseMouse(HWND window, void (*EventBindings::*event)(int, int, int), WPARAM keys,
                LPARAM point) {
    if (const Control* control = ControlOf(window))
        Raise(control->desc->on.*event, GET_X_LPARAM(point), GET_Y_LPARAM(point),
              static_cast<int>(keys));
}

LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, FALSE);
        return result;
    }
    case WM_GETFONT:
        if (const Control* control = ControlOf(window))
            return reinterpret_cast<LRESULT>(control->font);
        break;
    case WM_LBUTTONDOWN:
        RaiseMouse(window, &EventBindings::leftPressed, wParam, lParam);
        break;
    case WM_LBUTTONUP:
        RaiseMouse(window, &EventBindings::leftReleased, wParam, lParam);
        break;
    }
    return PaintedProc(window, message, wParam, lParam, PaintLabel);
}

void SetButtonLook(Control& button, bool over, bool held) {
    if (button.over == over && button.held == held)
        return;
    button.over = over;
    button.held = held;
    InvalidateRect(button.window, nullptr, FALSE);
}

void OnButtonMove(Control& button, WPARAM keys, LPARAM point) {
    if (!button.trackingLeave) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, button.window, 0};
        button.trackingLeave = TrackMouseEvent(&track);
    }
    SetButtonLook(button, Inside(button.window, point), (keys & MK_LBUTTON) != 0);
}

void OnButtonDown(Control& button) {
    SetCapture(button.window);
    button.pressedHere = true;
    SetButtonLook(button, true, true);
}

// A click is a press on the button and a release over it; the capture taken on the press
// brings the release here even when it happens elsewhere.
void OnButtonUp(Control& button, LPARAM point) {
    bool clicked = std::exchange(button.pressedHere, false) && Inside(button.window, point);
    if (GetCapture() == button.window)
        ReleaseCapture();
    SetButtonLook(button, Inside(button.window, point), false);
    if (clicked)
        Raise(button.desc->on.clicked);
}

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Control* button = ControlOf(window);
    if (button)
        switch (message) {
        case WM_MOUSEMOVE:
            OnButtonMove(*button, wParam, lParam);
            return 0;
        case WM_MOUSELEAVE:
            button->trackingLeave = false;
            SetButtonLook(*button, false, button->held);
            return 0;
        case WM_LBUTTONDOWN:
            OnButtonDown(*button);
            return 0;
        case WM_LBUTTONUP:
            OnButtonUp(*button, lParam);
            return 0;
        case WM_CAPTURECHANGED:
            button->pressedHere = false;
            SetButtonLook(*button, button->over, false);
            return 0;
        }
    return PaintedProc(window, message, wParam, lParam, PaintButton);
}

struct ClassIcons {
    HICON big = nullptr;
    HICON little = nullptr;
};

// The program's own icon (resource 1) at the sizes the system asks for, so neither is a
// scaled copy of the other. Shared: the system keeps them for as long as the program runs.
ClassIcons ProgramIcons(HINSTANCE instance) {
    const auto load = [&](int width, int height) {
        return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                             GetSystemMetrics(width), GetSystemMetrics(height),
                                             LR_SHARED));
    };
    return {load(SM_CXICON, SM_CYICON), load(SM_CXSMICON, SM_CYSMICON)};
}

bool Register(HINSTANCE instance, const char* name, WNDPROC procedure, ClassIcons icons = {}) {
    WNDCLASSEXA type{};
    type.cbSize = sizeof type;
    type.style = CS_HREDRAW | CS_VREDRAW;
    type.lpfnWndProc = procedure;
    type.hInstance = instance;
    type.hIcon = icons.big;
    type.hIconSm = icons.little;
    type.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    type.lpszClassName = name;
    return RegisterClassExA(&type) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

bool IsLabel(ControlKind kind) {
    return kind == ControlKind::Label || kind == ControlKind::TransparentLabel;
}

std::string WindowText(HWND window) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(
        static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void ApplyProgress(const Control& bar) {
    SendMessageA(bar.window, PBM_SETRANGE32, 0, bar.maximum);
    SendMessageA(bar.window, PBM_SETPOS, static_cast<WPARAM>(bar.position), 0);
}

bool RegisterControlClasses(HINSTANCE instance) {
    // The program's icon stands for the window on the taskbar and in Alt+Tab.
    return Register(instance, kWindowClass, WindowProc, ProgramIcons(instance)) &&
           Register(instance, kPictureBoxClass, PictureBoxProc) &&
           Register(instance, kLabelClass, LabelProc) &&
           Register(instance, kButtonClass, ButtonProc);
}
