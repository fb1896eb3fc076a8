#include "core/entry.h"

#include <windows.h>

#include "core/globals.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/startup.h"
#include "ui/main_window.h"

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
