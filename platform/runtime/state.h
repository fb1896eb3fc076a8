#pragma once
// The runtime's state: the GUI thread, the courier window that carries other threads'
// requests to it, the loaded window's controls and the exit. Every part of the runtime
// reads and writes it here; nothing else does.
#include <windows.h>

#include <atomic>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/runtime/picture.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/window_desc.h"
#include "platform/scoped_win.h"

struct Control {
    const ControlDesc* desc = nullptr;
    HWND window = nullptr; // none for the ZIP component, and none once destroyed
    HFONT font = nullptr;  // labels: the font they draw with
    GdiObject<HFONT> ownFont;
    Picture picture; // picture box; graphic button: normal picture
    Picture hover;   // graphic button
    std::string tag;
    PointerShape pointer = PointerShape::Arrow;
    int maximum = 0;  // progress bar
    int position = 0; // progress bar, kept within 0..32767
    // Graphic button: pointer over it, left button held, pressed on it (capture), and
    // whether a WM_MOUSELEAVE is on order.
    bool over = false;
    bool held = false;
    bool pressedHere = false;
    bool trackingLeave = false;
};

struct RuntimeState {
    DWORD guiThread = 0;
    bool oleInitialised = false;
    std::atomic<HWND> courier{nullptr}; // hidden window that carries requests to the GUI thread
    std::vector<Control> controls;      // sized once by LoadWindow, never reallocated; each
                                        // control's window points back to its record
    int openWindows = 0;
    std::atomic<bool> exiting{false};
    std::atomic<void (*)()> cleanup{nullptr};
};

extern RuntimeState gRuntime;

// The control whose window this is, or null for a window that is not one of them.
Control* ControlOf(HWND window);

// Once the exit has begun, no event reaches the program any more.
template <class... Args> void Raise(void (*routine)(Args...), std::type_identity_t<Args>... args) {
    if (routine && !gRuntime.exiting)
        routine(args...);
}
