#include "tools/driver/wait.h"

#include <windows.h>

namespace windriver {

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs, int stepMs) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(static_cast<DWORD>(stepMs));
    }
}

bool HoldsFor(const std::function<bool()>& condition, int durationMs, int stepMs) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(durationMs);
    for (;;) {
        if (!condition())
            return false;
        if (GetTickCount64() >= deadline)
            return true;
        Sleep(static_cast<DWORD>(stepMs));
    }
}

} // namespace windriver
