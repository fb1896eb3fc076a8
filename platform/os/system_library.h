#pragma once
// DLLs that are not the system's known DLLs are loaded from the system folder by full
// right, never found by a search: a DLL of the same name left in the Downloads folder
// beside setup.exe must never run inside the installer.
#include <windows.h>

#include <string>
#include <string_view>

// The module from the system folder, or null. Looked up with LOAD_LIBRARY_SEARCH_SYSTEM32;
// where the loader lacks that flag (Windows 7 without its loader update), by the full path
// in the system folder instead.
HMODULE LoadSystemLibrary(const char* name);

// A function of a system DLL, or null.
template <typename Fn> Fn SystemFunction(const char* module, const char* name) {
    HMODULE library = LoadSystemLibrary(module);
    if (!library)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The pure decisions behind LoadSystemLibrary.

// Whether a failed LOAD_LIBRARY_SEARCH_SYSTEM32 load means the loader does not know the
// flag, so the full-path load is worth trying.
bool SearchFlagUnsupported(DWORD error);
// systemFolder + "\" + name; empty when either is empty or the name holds a path of its
// own (a separator or a drive), which would lead the load out of the system folder.
std::string SystemLibraryPath(std::string_view systemFolder, std::string_view name);
