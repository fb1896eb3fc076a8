#pragma once
// A window description of the tests' own: one or more controls of every kind, bound to
// routines that record each event they receive.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/byte_block.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/window_desc.h"

enum TestControl : ControlId {
    kWindow,
    kPanel,     // picture box with a border, carries the rest
    kTitle,     // transparent label, bold GB2312 font
    kClose,     // transparent label, hand pointer, left-released routine
    kLogo,      // picture box stretching a 20 x 10 picture to 60 x 30
    kZip,       // ZIP component, progress routine
    kButton,    // graphic button 40 x 20, normal red|blue, hover green, clicked routine
    kBar,       // progress bar, hidden at first, over the button's bottom rows
    kLabel,     // label, default GUI font, pressed and released routines
    kLink,      // label, underlined font, hand pointer
    kSidePanel, // hidden picture box, a second child of the window
    kTestControlCount,
};

inline constexpr int kWindowWidth = 300;
inline constexpr int kWindowHeight = 200;
inline constexpr uint32_t kWindowColor = Rgb(117, 184, 238);
inline constexpr uint32_t kPanelColor = Rgb(22, 131, 196);
inline constexpr uint32_t kLabelTextColor = Rgb(255, 255, 255);
inline constexpr uint32_t kTitleTextColor = Rgb(255, 255, 0);
inline constexpr uint32_t kUnusedColor = Rgb(0, 255, 0); // a transparent label's own back colour

extern const WindowDesc TestWindow;
extern const int (&kTestStacking)[7];

extern "C" const ByteBlock RedBluePicture; // JPEG 20 x 10: left half red, right half blue
extern "C" const ByteBlock GreenPicture;   // JPEG 20 x 10: green
extern "C" const ByteBlock NotAPicture;    // 8 bytes of text

struct Event {
    std::string name; // created, clicked, pressed, released, progress
    int a = 0, b = 0, c = 0;
    DWORD thread = 0;
    bool windowShown = false; // whether the main window was visible when it came
};
std::vector<Event> Events();
void ClearEvents();
// The events recorded while the test window was being loaded.
std::vector<Event> EventsAtLoad();

// The runtime prepared and the test window loaded, once per process, on the main thread.
void EnsureTestWindow();
HWND MainHwnd();
// The window of a control: the runtime gives each child its table index as control id.
HWND ControlHwnd(ControlId control);
