#pragma once
// The controls' windows: their classes, how they paint themselves and react to the mouse.
#include <windows.h>

#include <string>

#include "platform/runtime/state.h"

// Window classes of the controls that draw themselves.
inline constexpr char kWindowClass[] = "InstallerWindow";
inline constexpr char kPictureBoxClass[] = "InstallerPictureBox";
inline constexpr char kLabelClass[] = "InstallerLabel";
inline constexpr char kButtonClass[] = "InstallerGraphicButton";

bool RegisterControlClasses(HINSTANCE instance);
bool IsLabel(ControlKind kind);
std::string WindowText(HWND window);
void ApplyProgress(const Control& bar);
