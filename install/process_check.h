#pragma once
#include <string_view>

// Whether a running process has this executable file name, ignoring ASCII case.
bool IsProcessRunning(std::string_view exeName);
