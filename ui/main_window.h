#pragma once
// The installer's one window, described as data. Control names follow the window
// description; the ids index the table.
#include "platform/runtime.h"
#include "platform/window_desc.h"

enum MainWindowControl : ControlId {
    主窗口,
    图片框1_背景,
    透明标签1,
    透明标签4,
    图片框_Logo,
    ZIP压缩1,
    图形按钮1,
    进度条1,
    标签1,
    标签_日志,
    标签_安装目录,
    kMainWindowControlCount,
};

extern const WindowDesc MainWindow;

// Left-button release over "×".
void OnCloseMarkReleased(int x, int y, int keys);
