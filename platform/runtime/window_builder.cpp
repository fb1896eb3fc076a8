#include "platform/runtime/window_builder.h"

#include "platform/runtime/control_windows.h"
#include "platform/runtime/state.h"

#include <commctrl.h>
#include <windowsx.h>

namespace {
constexpr char kBadDescription[] = "窗口描述不完整，无法创建窗口。";
constexpr char kBadPicture[] = "窗口中的图片无法解码。";
constexpr char kNoWindow[] = "无法创建窗口。";

// ---- building the window ---------------------------------------------------------------

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

bool CreateControlWindow(int index) {
    RuntimeState& runtime = gRuntime;
    Control& control = runtime.controls[index];
    const ControlDesc& desc = *control.desc;
    if (desc.kind == ControlKind::Zip)
        return true; // a component without a face
    control.window = index == 0 ? CreateTopLevel(desc)
                                : CreateChild(desc, runtime.controls[desc.parent].window, index);
    if (!control.window)
        return false;
    SetWindowLongPtrA(control.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control));
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
        SetWindowPos(gRuntime.controls[*entry].window, HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

} // namespace

void DestroyLoadedWindow() {
    RuntimeState& runtime = gRuntime;
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
    RuntimeState& runtime = gRuntime;
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
