#include "ui/main_window.h"

#include <windows.h>

#include <array>

#include "assets/embedded.h"
#include "core/catalogue.h"
#include "install/finish.h"
#include "install/start.h"
#include "ui/chooser.h"

namespace {
constexpr uint32_t kWindowBlue = Rgb(117, 184, 238);
constexpr uint32_t kPanelBlue = Rgb(22, 131, 196);
constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kYellow = Rgb(255, 255, 0);
constexpr FontDesc kTitleFont{12, FW_BOLD, false, GB2312_CHARSET};
constexpr FontDesc kLinkFont{12, FW_NORMAL, true, GB2312_CHARSET};

constexpr Look kPanel{.back = kPanelBlue, .border = true};
constexpr Look kTitle{.back = kPanelBlue, .text = kYellow, .font = kTitleFont};
constexpr Look kCloseMark{.back = kPanelBlue, .text = kWhite, .pointer = PointerShape::Hand};
constexpr Look kLogo{.back = kPanelBlue};
constexpr Look kBar{.back = kPanelBlue, .staticEdge = true};
constexpr Look kText{.back = kPanelBlue, .text = kWhite};
constexpr Look kLink{
    .back = kPanelBlue, .text = kWhite, .font = kLinkFont, .pointer = PointerShape::Hand};

// The designed place of the window (50, 50) is not used: the runtime centres it.
constexpr Place kWindowPlace{50, 50, kMainWindowWidth, kMainWindowHeight};
constexpr Place kCovering{0, 0, kMainWindowWidth, kMainWindowHeight};

constexpr std::array<ControlDesc, kMainWindowControlCount> kControls = {
    TopWindow(主窗口, "主窗口", kWindowPlace, "安装程序", {.back = kWindowBlue},
              {.created = InitInstallWindow}),
    PictureBox(图片框1_背景, "图片框1_背景", 主窗口, kCovering, kPanel),
    TransparentLabel(透明标签1, "透明标签1", 图片框1_背景, {7, 8, 68, 24}, "安装程序", kTitle),
    TransparentLabel(透明标签4, "透明标签4", 图片框1_背景, {230, 14, 12, 12}, "×", kCloseMark,
                     {.leftReleased = OnCloseMarkReleased}),
    PictureBox(图片框_Logo, "图片框_Logo", 图片框1_背景, {12, 36, 211, 211}, kLogo, &LogoPicture),
    ZipComponent(ZIP压缩1, "ZIP压缩1", 图片框_Logo, {8, 40, 27, 27},
                 {.progress = OnExtractionProgress}),
    GraphicButton(图形按钮1, "图形按钮1", 图片框1_背景, {14, 255, 220, 80},
                  &InstallButtonNormalPicture, &InstallButtonHoverPicture,
                  {.clicked = OnInstallClicked}),
    Hidden(ProgressBar(进度条1, "进度条1", 图片框1_背景, {21, 327, 205, 8}, kBar, 100)),
    Label(标签1, "标签1", 图片框1_背景, {7, 344, 56, 24}, "安装目录：", kText),
    Label(标签_日志, "标签_日志", 图片框1_背景, {79, 344, 160, 24}, "", kText),
    // The design-time caption is only a sample; the created event replaces it.
    Label(标签_安装目录, "标签_安装目录", 图片框1_背景, {7, 367, 232, 25},
          "C:\\Program Files\\Sample", kLink, {.leftPressed = OnInstallDirPressed}),
};

constexpr std::array<int, 8> kStackingTopDown = {
    标签_日志, 透明标签4, 进度条1, 图形按钮1, 标签1, 透明标签1, 图片框_Logo, 标签_安装目录,
};

constexpr WindowDesc kMainWindow = {kControls, kStackingTopDown};
static_assert(IsConsistent(kMainWindow));
} // namespace

const WindowDesc MainWindow = kMainWindow;

void OnCloseMarkReleased(int, int, int) {
    ExitProgram(0);
}
