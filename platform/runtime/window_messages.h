#pragma once
// The runtime's own window messages, all sent to its hidden courier window, through which
// other threads reach the GUI thread.
#include <windows.h>

// Sent by a thread other than the GUI thread so that the GUI thread reads or writes a
// control property; lParam points to the caller's PropertyCall
// (platform/runtime/control_properties.h).
inline constexpr UINT kMsgCarryProperty = WM_APP + 1;

// Sent by ExitProgram on a thread other than the GUI thread; wParam carries the exit code.
// The GUI thread ends the process, so the send returns only when it could not take the
// request.
inline constexpr UINT kMsgCarryExit = WM_APP + 2;
