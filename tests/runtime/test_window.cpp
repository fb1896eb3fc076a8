#include "tests/runtime/test_window.h"

#include <mutex>

namespace {
std::mutex gEventsLock;
std::vector<Event> gEvents;
std::vector<Event> gEventsAtLoad;

void Record(const char* name, int a = 0, int b = 0, int c = 0) {
    HWND main = static_cast<HWND>(GetWindowHandle());
    std::lock_guard lock(gEventsLock);
    gEvents.push_back({name, a, b, c, GetCurrentThreadId(), main && IsWindowVisible(main)});
}

// a: whether the controls already existed, read through a label's caption.
void OnCreated() {
    Record("created", GetControlProperty(kLabel, kPropCaption).text == "安装目录：");
}
void OnClicked() {
    Record("clicked");
}
void OnPressed(int x, int y, int keys) {
    Record("pressed", x, y, keys);
}
void OnReleased(int x, int y, int keys) {
    Record("released", x, y, keys);
}
void OnProgress(int percent) {
    Record("progress", percent);
}

constexpr FontDesc kDefaultGui{};
constexpr FontDesc kBoldTitle{12, FW_BOLD, false, GB2312_CHARSET};
constexpr FontDesc kUnderlined{12, FW_NORMAL, true, GB2312_CHARSET};
constexpr uint32_t kBlack = Rgb(0, 0, 0);

// name, kind, parent, left, top, width, height, shown, back, text, border, static edge,
// font, pointer, caption, picture, hover picture, maximum, events
// clang-format off
const ControlDesc kControls[kTestControlCount] = {
    {"window", ControlKind::Window, -1, 50, 50, kWindowWidth, kWindowHeight, true, kWindowColor,
     kBlack, false, false, kDefaultGui, PointerShape::Arrow, "运行时测试", nullptr, nullptr, 0,
     {.created = OnCreated}},
    {"panel", ControlKind::PictureBox, kWindow, 0, 0, kWindowWidth, kWindowHeight, true,
     kPanelColor, kBlack, true, false, kDefaultGui, PointerShape::Arrow, "", nullptr, nullptr, 0,
     {}},
    {"title", ControlKind::TransparentLabel, kPanel, 5, 5, 120, 24, true, kUnusedColor,
     kTitleTextColor, false, false, kBoldTitle, PointerShape::Arrow, "安装程序", nullptr, nullptr,
     0, {}},
    {"close", ControlKind::TransparentLabel, kPanel, 270, 5, 20, 20, true, kUnusedColor,
     kLabelTextColor, false, false, kDefaultGui, PointerShape::Hand, "×", nullptr, nullptr, 0,
     {.leftReleased = OnReleased}},
    {"logo", ControlKind::PictureBox, kPanel, 10, 40, 60, 30, true, kPanelColor, kBlack, false,
     false, kDefaultGui, PointerShape::Arrow, "", &RedBluePicture, nullptr, 0, {}},
    {"zip", ControlKind::Zip, kLogo, 8, 4, 27, 27, false, kBlack, kBlack, false, false,
     kDefaultGui, PointerShape::Arrow, "", nullptr, nullptr, 0, {.progress = OnProgress}},
    {"button", ControlKind::GraphicButton, kPanel, 80, 40, 40, 20, true, kBlack, kBlack, false,
     false, kDefaultGui, PointerShape::Arrow, "", &RedBluePicture, &GreenPicture, 0,
     {.clicked = OnClicked}},
    {"bar", ControlKind::ProgressBar, kPanel, 80, 55, 100, 8, false, kPanelColor, kBlack, false,
     true, kDefaultGui, PointerShape::Arrow, "", nullptr, nullptr, 100, {}},
    {"label", ControlKind::Label, kPanel, 10, 100, 200, 40, true, kPanelColor, kLabelTextColor,
     false, false, kDefaultGui, PointerShape::Arrow, "安装目录：", nullptr, nullptr, 0,
     {.leftPressed = OnPressed, .leftReleased = OnReleased}},
    {"link", ControlKind::Label, kPanel, 10, 150, 200, 25, true, kPanelColor, kLabelTextColor,
     false, false, kUnderlined, PointerShape::Hand, "C:\\Sample", nullptr, nullptr, 0,
     {.leftPressed = OnPressed}},
    {"side panel", ControlKind::PictureBox, kWindow, 0, 0, 50, 50, false, kBlack, kBlack, false,
     false, kDefaultGui, PointerShape::Arrow, "", nullptr, nullptr, 0, {}},
};
// clang-format on
} // namespace

// Deliberately not the creation order.
const int kTestStacking[7] = {kLink, kBar, kButton, kClose, kLabel, kTitle, kLogo};
const WindowDesc TestWindow = {kControls, kTestStacking};

std::vector<Event> Events() {
    std::lock_guard lock(gEventsLock);
    return gEvents;
}

std::vector<Event> EventsAtLoad() {
    return gEventsAtLoad;
}

void ClearEvents() {
    std::lock_guard lock(gEventsLock);
    gEvents.clear();
}

void EnsureTestWindow() {
    static bool loaded = [] {
        PrepareRuntime();
        ClearEvents();
        LoadWindow(TestWindow);
        gEventsAtLoad = Events();
        return true;
    }();
    (void)loaded;
}

HWND MainHwnd() {
    return static_cast<HWND>(GetWindowHandle());
}

namespace {
BOOL CALLBACK MatchId(HWND child, LPARAM wanted) {
    auto* search = reinterpret_cast<std::pair<int, HWND>*>(wanted);
    if (GetDlgCtrlID(child) != search->first)
        return TRUE;
    search->second = child;
    return FALSE;
}
} // namespace

HWND ControlHwnd(ControlId control) {
    if (control == kWindow)
        return MainHwnd();
    std::pair<int, HWND> search{control, nullptr};
    EnumChildWindows(MainHwnd(), MatchId, reinterpret_cast<LPARAM>(&search));
    return search.second;
}
