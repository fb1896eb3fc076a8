#pragma once
// Mouse and keyboard, as another process's windows receive them: posted window messages,
// or real input through the system's input queue.
#include <windows.h>

namespace windriver {

// Posts a mouse message to the window, the point in its client coordinates. Reaches the
// window's procedure even where a real click would not (a disabled window, a covered one).
bool PostMouse(HWND window, UINT message, POINT client, WPARAM keys = 0);
// Posts a left button press and release at the point.
bool PostClick(HWND window, POINT client);
POINT ClientCentre(HWND window);
POINT ToScreen(HWND window, POINT client);

// Real input through the system's input queue, for what depends on where the pointer is
// (hover, capture, which window is under it, whether that window is enabled).
bool MoveMouseTo(POINT screen);
bool LeftButton(bool down);
bool RealClick(POINT screen);
// Presses and releases a key for the focused window.
bool TypeKey(WORD virtualKey);
// Brings the window to the front and gives it the keyboard focus, as a click would.
bool BringToFront(HWND window);

} // namespace windriver
