#include "platform/runtime/startup.h"

#include <windows.h>

void HardenDllSearch() {
    // Looked up by name: Windows 7 has it only with its loader update.
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    auto set = reinterpret_cast<SetDirectories>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (!set || !set(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryA("");
}
