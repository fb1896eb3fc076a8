#pragma once
// What the program's entry point calls around ProgramEntry. The runtime's own exit after
// ProgramEntry has returned is ExitProgram (platform/runtime/runtime.h).

// Restricts DLL loading to the system folder, so that a DLL lying beside the program or
// in the current folder is never picked up. Call it first, before anything loads a DLL;
// calling it again does no harm.
void HardenDllSearch();
