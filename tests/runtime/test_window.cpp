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

constexpr Look kPanelLook{.back = kPanelColor, .border = true};
constexpr Look kTitleLook{.back = kUnusedColor, .text = kTitleTextColor, .font = kBoldTitle};
constexpr Look kCloseLook{
    .back = kUnusedColor, .text = kLabelTextColor, .pointer = PointerShape::Hand};
constexpr Look kLabelLook{.back = kPanelColor, .text = kLabelTextColor};
constexpr Look kLinkLook{.back = kPanelColor,
                         .text = kLabelTextColor,
                         .font = kUnderlined,
                         .pointer = PointerShape::Hand};

constexpr ControlDesc kControls[kTestControlCount] = {
    TopWindow(kWindow, "window", {50, 50, kWindowWidth, kWindowHeight}, "运行时测试",
              {.back = kWindowColor}, {.created = OnCreated}),
    PictureBox(kPanel, "panel", kWindow, {0, 0, kWindowWidth, kWindowHeight}, kPanelLook),
    TransparentLabel(kTitle, "title", kPanel, {5, 5, 120, 24}, "安装程序", kTitleLook),
    TransparentLabel(kClose, "close", kPanel, {270, 5, 20, 20}, "×", kCloseLook,
                     {.leftReleased = OnReleased}),
    PictureBox(kLogo, "logo", kPanel, {10, 40, 60, 30}, {.back = kPanelColor}, &RedBluePicture),
    ZipComponent(kZip, "zip", kLogo, {8, 4, 27, 27}, {.progress = OnProgress}),
    GraphicButton(kButton, "button", kPanel, {80, 40, 40, 20}, &RedBluePicture, &GreenPicture,
                  {.clicked = OnClicked}),
    Hidden(ProgressBar(kBar, "bar", kPanel, {80, 55, 100, 8},
                       {.back = kPanelColor, .staticEdge = true}, 100)),
    Label(kLabel, "label", kPanel, {10, 100, 200, 40}, "安装目录：", kLabelLook,
          {.leftPressed = OnPressed, .leftReleased = OnReleased}),
    Label(kLink, "link", kPanel, {10, 150, 200, 25}, "C:\\Sample", kLinkLook,
          {.leftPressed = OnPressed}),
    Hidden(PictureBox(kSidePanel, "side panel", kWindow, {0, 0, 50, 50}, {})),
};
} // namespace

// Deliberately not the creation order.
constexpr int kStacking[7] = {kLink, kBar, kButton, kClose, kLabel, kTitle, kLogo};
constexpr WindowDesc kTestWindow = {kControls, kStacking};
static_assert(IsConsistent(kTestWindow));

const int (&kTestStacking)[7] = kStacking;
const WindowDesc TestWindow = kTestWindow;

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
