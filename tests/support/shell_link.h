#pragma once
// Reading what an installation left on the desktop.
#include <string>

std::string DesktopDir(); // without a trailing backslash
// Where the installer saves the shortcut of the product of that name.
std::string DesktopShortcut(const std::string& productName);
// The target a saved shell link points to, read back through the shell's own interfaces;
// a text in angle brackets when the link cannot be read.
std::string ShortcutTarget(const std::string& linkFile);
