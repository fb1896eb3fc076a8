#pragma once
// The runtime's state and what its parts tell each other: runtime_win32.cpp owns the
// process (start-up, threads, exit); the window builder, the control windows and the
// property access own the window and its controls.
#include <windows.h>

#include <atomic>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/picture.h"
#include "platform/runtime.h"
#include "platform/scoped_win.h"
#include "platform/window_desc.h"

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
    std::vector<Control> controls;      // sized once by LoadWindow, never reallocated
    int openWindows = 0;
    std::atomic<bool> exiting{false};
    std::atomic<void (*)()> cleanup{nullptr};
};

RuntimeState& Runtime();

// Once the exit has begun, no event reaches the program any more.
template <class... Args> void Raise(void (*routine)(Args...), std::type_identity_t<Args>... args) {
    if (routine && !Runtime().exiting)
        routine(args...);
}

enum class PropertyOp { Get, SetNumber, SetText, SetPicture };

// One property access, carried out on the GUI thread.
struct PropertyCall {
    ControlId control;
    int index;
    PropertyOp op;
    long long number = 0;
    const std::string* text = nullptr;
    ByteView picture{};
    PropertyValue result{};
};

// Window classes of the controls that draw themselves.
inline constexpr char kWindowClass[] = "InstallerWindow";
inline constexpr char kPictureBoxClass[] = "InstallerPictureBox";
inline constexpr char kLabelClass[] = "InstallerLabel";
inline constexpr char kButtonClass[] = "InstallerGraphicButton";

// control_windows.cpp: painting and mouse input
bool RegisterControlClasses(HINSTANCE instance);
bool IsLabel(ControlKind kind);
std::string WindowText(HWND window);
void ApplyProgress(const Control& bar);

// control_properties.cpp
bool IsControlId(ControlId control);
void CarryOutProperty(PropertyCall& call);

// window_builder.cpp
void DestroyLoadedWindow(); // and releases the controls' fonts and pictures
