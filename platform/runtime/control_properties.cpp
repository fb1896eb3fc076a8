#include "platform/runtime/control_properties.h"

#include "platform/runtime/control_windows.h"
#include "platform/runtime/state.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <climits>

namespace {
constexpr long long kPositionLimit = 32767;

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

bool IsControlId(ControlId control) {
    return control >= 0 && static_cast<size_t>(control) < gRuntime.controls.size();
}

void CarryOutProperty(PropertyCall& call) {
    Control& control = gRuntime.controls[call.control];
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
