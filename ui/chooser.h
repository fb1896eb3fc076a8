#pragma once
#include <optional>
#include <string_view>

#include "core/text.h"

// Left-button press on the install directory: lets the user choose another folder.
void OnInstallDirPressed(int x, int y, int keys);
// Runs the system's folder dialog; gives the chosen folder's path or an empty text.
Text ChooseFolder(void* owner, std::string_view title);

// Removes leading and trailing blanks: half-width spaces and the full-width space A1 A1.
Text TrimBlanks(std::string_view text);
// What a closed folder dialog amounts to. `displayName` is the dialog's display-name
// buffer up to its NUL, in the ANSI code page ("?" for what it cannot spell); `itemPath`
// is the path of the returned item, or nullopt when there was no item or it has no
// file-system path the code page can spell.
Text DecideChosenFolder(std::string_view displayName, bool gotItem,
                        const std::optional<Text>& itemPath);
