#pragma once
// The installer's one window, described as data. Control names follow the window
// description; the ids are the rows of its table.
#include "platform/runtime/runtime.h"
#include "platform/runtime/window_desc.h"

enum MainWindowControl : ControlId {
    主窗口,        // the borderless window itself; its created event fills in the rest
    图片框1_背景,  // the blue panel that covers the window and carries every other control
    透明标签1,     // the window's own title, "安装程序"
    透明标签4,     // the close mark "×": a release over it ends the program
    图片框_Logo,   // the logo picture
    ZIP压缩1,      // the ZIP component: extracts the payload, reports progress
    图形按钮1,     // the install button; shows the completion picture at the end
    进度条1,       // the progress bar, shown while extracting
    标签1,         // the caption "安装目录："
    标签_日志,     // the step messages of the installation
    标签_安装目录, // the install directory; a press on it opens the folder chooser
    kMainWindowControlCount,
};

// The window's size, which the created event writes again.
inline constexpr int kMainWindowWidth = 250;
inline constexpr int kMainWindowHeight = 400;

extern const WindowDesc MainWindow;

// Left-button release over "×".
void OnCloseMarkReleased(int x, int y, int keys);
