#pragma once
// All program-wide state in one place. Written on the GUI thread while the main window
// is created and only read afterwards, except InstallRunning.
#include <atomic>
#include <string_view>

#include "core/text.h"
#include "platform/os/staged_file.h"

extern TextArray ProductList;
extern int ProductIndex;
extern std::string_view ProductListText; // refers to a catalogue constant, never a copy
extern Text ProductName;

// True from the start of an install worker until it returns, so that a second click or
// a new install location cannot mix two installations.
extern std::atomic<bool> InstallRunning;

// The payload as the running installation staged it, held open from its writing until
// the installation ends: written by the worker, discarded by it or by the completion.
extern StagedFile StagedArchive;

void InitGlobals();
void ReleaseGlobals();
