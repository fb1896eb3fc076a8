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
constexpr uint32_t kBlack = Rgb(0, 0, 0);
constexpr FontDesc kDefaultGuiFont{};
constexpr FontDesc kTitleFont{12, FW_BOLD, false, GB2312_CHARSET};
constexpr FontDesc kLinkFont{12, FW_NORMAL, true, GB2312_CHARSET};
constexpr int kWindow = -1;

// name, kind, parent, left, top, width, height, shown, back, text, border, static edge,
// font, pointer, caption, picture, hover picture, maximum, events
const std::array<ControlDesc, kMainWindowControlCount> kControls = {{
    {"主窗口", ControlKind::Window, kWindow, 50, 50, 250, 400, true, kWindowBlue, kBlack,
     false, false, kDefaultGuiFont, PointerShape::Arrow, "安装程序", nullptr, nullptr, 0,
     {.created = InitInstallWindow}},
    {"图片框1_背景", ControlKind::PictureBox, 主窗口, 0, 0, 250, 400, true, kPanelBlue, kBlack,
     true, false, kDefaultGuiFont, PointerShape::Arrow, "", nullptr, nullptr, 0, {}},
    {"透明标签1", ControlKind::TransparentLabel, 图片框1_背景, 7, 8, 68, 24, true, kPanelBlue,
     kYellow, false, false, kTitleFont, PointerShape::Arrow, "安装程序", nullptr, nullptr, 0, {}},
    {"透明标签4", ControlKind::TransparentLabel, 图片框1_背景, 230, 14, 12, 12, true, kPanelBlue,
     kWhite, false, false, kDefaultGuiFont, PointerShape::Hand, "×", nullptr, nullptr, 0,
     {.leftReleased = OnCloseMarkReleased}},
    {"图片框_Logo", ControlKind::PictureBox, 图片框1_背景, 12, 36, 211, 211, true, kPanelBlue,
     kBlack, false, false, kDefaultGuiFont, PointerShape::Arrow, "", &LogoPicture, nullptr, 0,
     {}},
    {"ZIP压缩1", ControlKind::Zip, 图片框_Logo, 8, 40, 27, 27, false, kBlack, kBlack, false,
     false, kDefaultGuiFont, PointerShape::Arrow, "", nullptr, nullptr, 0,
     {.progress = OnExtractionProgress}},
    {"图形按钮1", ControlKind::GraphicButton, 图片框1_背景, 14, 255, 220, 80, true, kBlack,
     kBlack, false, false, kDefaultGuiFont, PointerShape::Arrow, "", &InstallButtonNormalPicture,
     &InstallButtonHoverPicture, 0, {.clicked = OnInstallClicked}},
    {"进度条1", ControlKind::ProgressBar, 图片框1_背景, 21, 327, 205, 8, false, kPanelBlue, kBlack,
     false, true, kDefaultGuiFont, PointerShape::Arrow, "", nullptr, nullptr, 100, {}},
    {"标签1", ControlKind::Label, 图片框1_背景, 7, 344, 56, 24, true, kPanelBlue, kWhite, false,
     false, kDefaultGuiFont, PointerShape::Arrow, "安装目录：", nullptr, nullptr, 0, {}},
    {"标签_日志", ControlKind::Label, 图片框1_背景, 79, 344, 160, 24, true, kPanelBlue, kWhite,
     false, false, kDefaultGuiFont, PointerShape::Arrow, "", nullptr, nullptr, 0, {}},
    // The design-time caption is only a sample; the created event replaces it.
    {"标签_安装目录", ControlKind::Label, 图片框1_背景, 7, 367, 232, 25, true, kPanelBlue, kWhite,
     false, false, kLinkFont, PointerShape::Hand, "C:\\Program Files\\Sample", nullptr, nullptr,
     0, {.leftPressed = OnInstallDirPressed}},
}};

const std::array<int, 8> kStackingTopDown = {
    标签_日志, 透明标签4, 进度条1, 图形按钮1, 标签1, 透明标签1, 图片框_Logo, 标签_安装目录,
};
}  // namespace

const WindowDesc MainWindow = {kControls, kStackingTopDown};

void OnCloseMarkReleased(int, int, int) { ExitProgram(0); }
