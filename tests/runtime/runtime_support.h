#pragma once
// Helpers for driving real windows under Wine: pumping messages, rendering a control into
// memory to look at its pixels, and finding and answering this process's message boxes.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Dispatches the calling thread's messages until `done` holds or the time runs out.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000);
void PumpFor(int milliseconds);

// A control's client area as it paints itself (WM_PRINTCLIENT into a memory bitmap).
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, top row first

    COLORREF At(int x, int y) const;
    // Columns and rows holding a pixel that differs from `ground`; empty when none does.
    RECT InkBounds(COLORREF ground) const;
};
Canvas Render(HWND window);

// Each of red, green and blue within `tolerance` (JPEG is lossy).
bool Near(COLORREF a, COLORREF b, int tolerance = 48);

// A visible message box (#32770) of this process, or null after the timeout.
HWND WaitForBox(int timeoutMs = 10000);
std::string WindowTextOf(HWND window);
std::string BoxText(HWND box);
// Presses a button of the box as a click would (WM_COMMAND with its id).
void AnswerBox(HWND box, int id);

// For a child process about to hit a fatal error: a helper thread waits for the error box,
// reports on stderr what it saw, then presses OK. `gui` is the main window, expected to be
// disabled while a box of the GUI thread is up (null: not checked).
void AnswerFatalBoxLater(const char* expectedText, DWORD expectedThread, HWND gui);

std::string ProgramFolder(); // with a trailing backslash
