// The main window and its controls: built from the description table, painted, fed with
// mouse input, and read or written property by property on the GUI thread.
#include "platform/controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <climits>
#include <utility>

namespace {
constexpr char kWindowClass[] = "InstallerWindow";
constexpr char kPictureBoxClass[] = "InstallerPictureBox";
constexpr char kLabelClass[] = "InstallerLabel";
constexpr char kButtonClass[] = "InstallerGraphicButton";
constexpr COLORREF kButtonGround = RGB(0, 0, 0);
constexpr long long kPositionLimit = 32767;

constexpr char kBadDescription[] = "窗口描述不完整，无法创建窗口。";
constexpr char kBadPicture[] = "窗口中的图片无法解码。";
constexpr char kNoWindow[] = "无法创建窗口。";

Control* FindControl(HWND window) {
    if (!window)
        return nullptr;
    for (Control& control : Runtime().controls)
        if (control.window == window)
            return &control;
    return nullptr;
}

bool IsLabel(ControlKind kind) {
    return kind == ControlKind::Label || kind == ControlKind::TransparentLabel;
}

std::string WindowText(HWND window) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(
        static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

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
    const Control* control = FindControl(reinterpret_cast<HWND>(under));
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
    const Control* control = FindControl(window);
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
        if (--Runtime().openWindows == 0)
            PostQuitMessage(0);
        break;
    case WM_NCDESTROY: // the children are gone by now
        for (Control& control : Runtime().controls)
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
    if (const Control* control = FindControl(window))
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
        if (const Control* control = FindControl(window))
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
    Control* button = FindControl(window);
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

bool Register(HINSTANCE instance, const char* name, WNDPROC procedure, HICON icon = nullptr) {
    WNDCLASSEXA type{};
    type.cbSize = sizeof type;
    type.style = CS_HREDRAW | CS_VREDRAW;
    type.lpfnWndProc = procedure;
    type.hInstance = instance;
    type.hIcon = icon;
    type.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    type.lpszClassName = name;
    return RegisterClassExA(&type) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// ---- building the window ---------------------------------------------------------------

bool IsConsistent(const WindowDesc& window) {
    auto controls = window.controls;
    if (controls.empty() || controls[0].kind != ControlKind::Window)
        return false;
    for (size_t i = 1; i < controls.size(); ++i) {
        int parent = controls[i].parent;
        if (controls[i].kind == ControlKind::Window || parent < 0 ||
            static_cast<size_t>(parent) >= i || controls[parent].kind == ControlKind::Zip)
            return false;
    }
    for (int entry : window.stackingTopDown)
        if (entry <= 0 || static_cast<size_t>(entry) >= controls.size() ||
            controls[entry].kind == ControlKind::Zip)
            return false;
    return true;
}

HFONT MakeFont(const FontDesc& font, GdiObject<HFONT>& owner) {
    if (font.height != 0)
        owner.Reset(CreateFontA(-font.height, 0, 0, 0, font.weight, FALSE, font.underline, FALSE,
                                font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, ""));
    return owner ? owner.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

Picture DecodeBlock(const ByteBlock* block) {
    return block ? Picture::Decode(BlockBytes(*block)) : Picture();
}

bool PrepareControl(Control& control, const ControlDesc& desc) {
    control.desc = &desc;
    control.pointer = desc.pointer;
    control.maximum = desc.maximum;
    if (IsLabel(desc.kind))
        control.font = MakeFont(desc.font, control.ownFont);
    control.picture = DecodeBlock(desc.picture);
    control.hover = DecodeBlock(desc.hoverPicture);
    return (!desc.picture || control.picture) && (!desc.hoverPicture || control.hover);
}

struct WindowKind {
    const char* className;
    DWORD style;
};

WindowKind KindOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Window:
        return {kWindowClass, WS_POPUP | WS_CLIPCHILDREN};
    case ControlKind::PictureBox:
        return {kPictureBoxClass, WS_CLIPCHILDREN};
    case ControlKind::Label:
    case ControlKind::TransparentLabel:
        return {kLabelClass, 0};
    case ControlKind::ProgressBar:
        return {PROGRESS_CLASSA, PBS_SMOOTH};
    case ControlKind::GraphicButton:
        return {kButtonClass, 0};
    case ControlKind::Zip:
        break;
    }
    return {nullptr, 0};
}

HWND CreateTopLevel(const ControlDesc& desc) {
    // Centred on the screen; the designed place is not used.
    int left = (GetSystemMetrics(SM_CXSCREEN) - desc.width) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - desc.height) / 2;
    WindowKind kind = KindOf(desc.kind);
    return CreateWindowExA(WS_EX_APPWINDOW, kind.className, desc.caption ? desc.caption : "",
                           kind.style, left, top, desc.width, desc.height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HWND CreateChild(const ControlDesc& desc, HWND parent, int id) {
    WindowKind kind = KindOf(desc.kind);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | kind.style | (desc.border ? WS_BORDER : 0);
    return CreateWindowExA(desc.staticEdge ? WS_EX_STATICEDGE : 0, kind.className,
                           desc.caption ? desc.caption : "", style, desc.left, desc.top, desc.width,
                           desc.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

void ApplyProgress(const Control& bar) {
    SendMessageA(bar.window, PBM_SETRANGE32, 0, bar.maximum);
    SendMessageA(bar.window, PBM_SETPOS, static_cast<WPARAM>(bar.position), 0);
}

bool CreateControlWindow(int index) {
    RuntimeState& runtime = Runtime();
    Control& control = runtime.controls[index];
    const ControlDesc& desc = *control.desc;
    if (desc.kind == ControlKind::Zip)
        return true; // a component without a face
    control.window = index == 0 ? CreateTopLevel(desc)
                                : CreateChild(desc, runtime.controls[desc.parent].window, index);
    if (!control.window)
        return false;
    if (index == 0)
        ++runtime.openWindows;
    if (desc.kind == ControlKind::ProgressBar)
        ApplyProgress(control);
    return true;
}

// Raising each listed control to the top, from the last to the first, leaves the first
// on top.
void Stack(std::span<const int> topDown) {
    for (auto entry = topDown.rbegin(); entry != topDown.rend(); ++entry)
        SetWindowPos(Runtime().controls[*entry].window, HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- properties ------------------------------------------------------------------------

int ToInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Left, top, width and height, in the order of their property indices: relative to the
// parent's client area, or on the screen for the window itself.
std::array<int, 4> PlaceOf(const Control& control) {
    const ControlDesc& desc = *control.desc;
    if (!control.window)
        return {desc.left, desc.top, desc.width, desc.height};
    RECT place;
    GetWindowRect(control.window, &place);
    if (GetWindowLongA(control.window, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(nullptr, GetParent(control.window), reinterpret_cast<POINT*>(&place), 2);
    return {place.left, place.top, place.right - place.left, place.bottom - place.top};
}

void Move(const Control& control, int index, int value) {
    std::array<int, 4> place = PlaceOf(control);
    place[index] = value;
    SetWindowPos(control.window, nullptr, place[0], place[1], place[2], place[3],
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

long long ReadNumber(const Control& control, int index) {
    HWND window = control.window;
    if (index <= kPropHeight)
        return PlaceOf(control)[index];
    if (index == kPropVisible)
        return window && (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE);
    if (index == kPropDisabled)
        return window && !IsWindowEnabled(window);
    if (index == kPropCursor)
        return static_cast<int>(control.pointer);
    if (index == kPropMaximum)
        return control.maximum;
    if (index == kPropPosition)
        return control.position;
    return 0;
}

PropertyValue Read(const Control& control, int index) {
    PropertyValue value;
    value.number = ReadNumber(control, index);
    if (index == kPropTag)
        value.text = control.tag;
    if (index == kPropCaption && control.window)
        value.text = WindowText(control.window);
    return value;
}

void WriteProgress(Control& bar, int index, long long value) {
    if (bar.desc->kind != ControlKind::ProgressBar)
        return;
    if (index == kPropMaximum)
        bar.maximum = ToInt(value);
    if (index == kPropPosition)
        bar.position = static_cast<int>(std::clamp(value, 0LL, kPositionLimit));
    if (bar.window)
        ApplyProgress(bar);
}

void WriteNumber(Control& control, int index, long long value) {
    HWND window = control.window;
    if (index <= kPropHeight && window)
        Move(control, index, ToInt(value));
    if (index == kPropVisible && window)
        ShowWindow(window, value ? SW_SHOW : SW_HIDE);
    if (index == kPropDisabled && window)
        EnableWindow(window, !value);
    if (index == kPropCursor)
        control.pointer = value == static_cast<int>(PointerShape::Hand) ? PointerShape::Hand
                                                                        : PointerShape::Arrow;
    if (index == kPropMaximum || index == kPropPosition)
        WriteProgress(control, index, value);
}

void WriteText(Control& control, int index, const std::string& text) {
    if (index == kPropTag)
        control.tag = text;
    // WM_SETTEXT keeps the caption as the real window text, which labels repaint from.
    if (index == kPropCaption && control.window)
        SetWindowTextA(control.window, text.c_str());
}

void WritePicture(Control& control, int index, ByteView bytes) {
    if (control.desc->kind != ControlKind::GraphicButton)
        return;
    if (index != kPropNormalPicture && index != kPropHoverPicture)
        return;
    (index == kPropNormalPicture ? control.picture : control.hover) = Picture::Decode(bytes);
    if (control.window)
        InvalidateRect(control.window, nullptr, FALSE);
}
} // namespace

bool RegisterControlClasses(HINSTANCE instance) {
    // The program's own icon, when it has one, stands for the window on the taskbar.
    return Register(instance, kWindowClass, WindowProc, LoadIconA(instance, MAKEINTRESOURCEA(1))) &&
           Register(instance, kPictureBoxClass, PictureBoxProc) &&
           Register(instance, kLabelClass, LabelProc) &&
           Register(instance, kButtonClass, ButtonProc);
}

bool IsControlId(ControlId control) {
    return control >= 0 && static_cast<size_t>(control) < Runtime().controls.size();
}

void CarryOutProperty(PropertyCall& call) {
    Control& control = Runtime().controls[call.control];
    switch (call.op) {
    case PropertyOp::Get:
        call.result = Read(control, call.index);
        break;
    case PropertyOp::SetNumber:
        WriteNumber(control, call.index, call.number);
        break;
    case PropertyOp::SetText:
        WriteText(control, call.index, *call.text);
        break;
    case PropertyOp::SetPicture:
        WritePicture(control, call.index, call.picture);
        break;
    }
}

void DestroyLoadedWindow() {
    RuntimeState& runtime = Runtime();
    if (!runtime.controls.empty() && runtime.controls[0].window)
        DestroyWindow(runtime.controls[0].window);
    for (Control& control : runtime.controls) {
        control.font = nullptr;
        control.ownFont.Reset();
        control.picture = Picture();
        control.hover = Picture();
    }
}

void LoadWindow(const WindowDesc& window) {
    RuntimeState& runtime = Runtime();
    if (!runtime.controls.empty() || !IsConsistent(window))
        FatalRuntimeError(kBadDescription);
    runtime.controls.resize(window.controls.size());
    for (size_t i = 0; i < window.controls.size(); ++i)
        if (!PrepareControl(runtime.controls[i], window.controls[i]))
            FatalRuntimeError(kBadPicture);
    for (size_t i = 0; i < window.controls.size(); ++i)
        if (!CreateControlWindow(static_cast<int>(i)))
            FatalRuntimeError(kNoWindow);
    Stack(window.stackingTopDown);
    for (size_t i = 1; i < runtime.controls.size(); ++i)
        if (runtime.controls[i].window && window.controls[i].shown)
            ShowWindow(runtime.controls[i].window, SW_SHOWNA);
    Raise(window.controls[0].on.created);
    HWND main = runtime.controls[0].window; // null if the created routine closed it
    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);
}
