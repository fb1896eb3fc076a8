#pragma once
// Called once by the runtime on the thread that becomes the GUI thread.
int ProgramEntry();
