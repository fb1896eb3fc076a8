#pragma once
// setup.exe's main window as a user finds it: by its title and where its controls are.
#include <windows.h>

#include <optional>

struct SetupWindow {
    HWND window;
    HWND panel;
    HWND button; // the install button
    HWND step;   // the step label
    HWND dir;    // the install directory
    HWND bar;    // the progress bar
};

// Waits for the main window of process `pid`; nullopt when it does not appear in time or
// its controls are not where the user expects them.
std::optional<SetupWindow> FindSetupWindow(DWORD pid, int timeoutMs);
