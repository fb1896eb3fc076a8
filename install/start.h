#pragma once
#include <string_view>

// Clicked event of the install button.
void OnInstallClicked();
// Whether a running process has this executable file name, ignoring ASCII case.
bool IsProcessRunning(std::string_view exeName);
