#include "core/entry.h"

#include <windows.h>

#include <cstdlib>

#include "core/globals.h"
#include "platform/runtime.h"
#include "platform/startup.h"
#include "ui/main_window.h"

// The program throws nothing, so the default terminate handler, which prints the
// exception's demangled type, would only bring the C++ name demangler into setup.exe.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

int ProgramEntry() {
    PrepareRuntime();
    InitGlobals();
    RegisterCleanup(ReleaseGlobals);
    LoadWindow(MainWindow);
    RunMessageLoop();
    return 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL: a DLL planted beside setup.exe (a Downloads
    // folder) must never be picked up.
    HardenDllSearch();
    ExitProgram(ProgramEntry());
}
