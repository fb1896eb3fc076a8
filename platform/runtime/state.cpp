#include "platform/runtime/state.h"

RuntimeState gRuntime;

Control* ControlOf(HWND window) {
    if (!window || gRuntime.controls.empty())
        return nullptr;
    auto* control = reinterpret_cast<Control*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    // Only records of the table count: a window of another kind may hold something else.
    const Control* first = gRuntime.controls.data();
    if (control < first || control >= first + gRuntime.controls.size())
        return nullptr;
    return control->window == window ? control : nullptr;
}
