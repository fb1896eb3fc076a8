// Building the window from its description: frame, place, stacking, visibility, the
// created event, and what the user cannot do to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/scoped_win.h"
#include "tests/runtime/runtime_support.h"
#include "tests/runtime/test_window.h"

namespace {
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureTestWindow(); }
};

RECT WindowPlace() {
    RECT place;
    GetWindowRect(MainHwnd(), &place);
    return place;
}

bool SamePlace(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(WindowTest, IsABorderlessPopupWithATaskbarButtonAndItsTitle) {
    HWND window = MainHwnd();
    ASSERT_NE(window, nullptr);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    for (LONG absent : {WS_CAPTION, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX,
                        WS_BORDER, WS_DLGFRAME})
        EXPECT_EQ(style & absent, 0) << std::hex << absent;
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(WindowTextOf(window), "运行时测试");
    EXPECT_TRUE(IsWindowVisible(window));
}

// The program's icon (this test program carries setup.exe's resources) stands for the
// window on the taskbar and in Alt+Tab, each size loaded as itself rather than scaled.
TEST_F(WindowTest, ItsClassCarriesTheProgramsIconAtBothSystemSizes) {
    const struct {
        const char* what;
        int index;
        int width;
        int height;
    } icons[] = {
        {"large", GCLP_HICON, SM_CXICON, SM_CYICON},
        {"small", GCLP_HICONSM, SM_CXSMICON, SM_CYSMICON},
    };
    for (const auto& icon : icons) {
        SCOPED_TRACE(icon.what);
        const auto handle = reinterpret_cast<HICON>(GetClassLongPtrA(MainHwnd(), icon.index));
        ASSERT_NE(handle, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(handle, &info));
        const GdiObject<HBITMAP> colour(info.hbmColor);
        const GdiObject<HBITMAP> mask(info.hbmMask);
        BITMAP shape{};
        ASSERT_TRUE(GetObjectA(colour.Get(), sizeof shape, &shape));
        EXPECT_EQ(shape.bmWidth, GetSystemMetrics(icon.width));
        EXPECT_EQ(shape.bmHeight, GetSystemMetrics(icon.height));
    }
}

TEST_F(WindowTest, StartsCentredOnTheScreenAtTheDesignedSize) {
    RECT place = WindowPlace();
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(place.left, (screenWidth - kWindowWidth) / 2);
    EXPECT_EQ(place.top, (screenHeight - kWindowHeight) / 2);
    EXPECT_EQ(place.right - place.left, kWindowWidth);
    EXPECT_EQ(place.bottom - place.top, kWindowHeight);
    RECT client;
    GetClientRect(MainHwnd(), &client);
    EXPECT_EQ(client.right, kWindowWidth); // no frame takes any room
    EXPECT_EQ(client.bottom, kWindowHeight);
}

TEST_F(WindowTest, ChildrenSitAtTheirDesignedPlacesInsideTheirParents) {
    for (ControlId id : {kPanel, kTitle, kClose, kLogo, kButton, kBar, kLabel, kLink}) {
        const ControlDesc& desc = TestWindow.controls[id];
        HWND child = ControlHwnd(id);
        ASSERT_NE(child, nullptr) << desc.name;
        EXPECT_EQ(GetParent(child), ControlHwnd(desc.parent)) << desc.name;
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
        EXPECT_EQ(place.left, desc.left) << desc.name;
        EXPECT_EQ(place.top, desc.top) << desc.name;
        EXPECT_EQ(place.right - place.left, desc.width) << desc.name;
        EXPECT_EQ(place.bottom - place.top, desc.height) << desc.name;
    }
}

TEST_F(WindowTest, TheZipComponentHasNoWindow) {
    EXPECT_EQ(ControlHwnd(kZip), nullptr);
    EXPECT_EQ(GetWindow(ControlHwnd(kLogo), GW_CHILD), nullptr);
    EXPECT_EQ(GetControlProperty(kZip, kPropVisible).number, 0);
}

TEST_F(WindowTest, ShowsOnlyTheControlsMarkedShown) {
    for (ControlId id = kPanel; id < kTestControlCount; ++id) {
        if (id == kZip)
            continue;
        const ControlDesc& desc = TestWindow.controls[id];
        bool visible = GetWindowLongA(ControlHwnd(id), GWL_STYLE) & WS_VISIBLE;
        EXPECT_EQ(visible, desc.shown) << desc.name;
    }
}

std::vector<ControlId> ChildrenTopDown(HWND parent) {
    std::vector<ControlId> order;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        order.push_back(GetDlgCtrlID(child));
    return order;
}

TEST_F(WindowTest, StacksThePanelsChildrenInTheDescribedOrder) {
    std::vector<ControlId> expected(std::begin(kTestStacking), std::end(kTestStacking));
    EXPECT_EQ(ChildrenTopDown(ControlHwnd(kPanel)), expected);
}

TEST_F(WindowTest, ThePanelLiesAboveTheWindowsOtherChildren) {
    EXPECT_EQ(ChildrenTopDown(MainHwnd()), (std::vector<ControlId>{kPanel, kSidePanel}));
}

TEST_F(WindowTest, CreatedEventRanOnceWithTheControlsMadeAndBeforeTheWindowShowed) {
    std::vector<Event> atLoad = EventsAtLoad();
    ASSERT_EQ(atLoad.size(), 1u);
    EXPECT_EQ(atLoad[0].name, "created");
    EXPECT_EQ(atLoad[0].a, 1) << "the label's caption was not readable yet";
    EXPECT_FALSE(atLoad[0].windowShown);
    EXPECT_EQ(atLoad[0].thread, GetCurrentThreadId());
}

TEST_F(WindowTest, SystemCommandsCannotMinimiseOrMaximiseIt) {
    RECT before = WindowPlace();
    for (WPARAM command : {SC_MINIMIZE, SC_MAXIMIZE}) {
        SendMessageA(MainHwnd(), WM_SYSCOMMAND, command, 0);
        PumpFor(50);
        EXPECT_FALSE(IsIconic(MainHwnd())) << command;
        EXPECT_FALSE(IsZoomed(MainHwnd())) << command;
        EXPECT_TRUE(SamePlace(WindowPlace(), before)) << command;
    }
}

TEST_F(WindowTest, SystemCommandsCannotStartAMoveOrResize) {
    // A maximised window is never moved or sized: undo what a failure above may have left.
    if (IsZoomed(MainHwnd()) || IsIconic(MainHwnd()))
        ShowWindow(MainHwnd(), SW_RESTORE);
    RECT place = WindowPlace();
    // A move or size loop would eat the Esc that ends it; refused, the Esc stays queued.
    // The low bits name the part grabbed: the caption, or the bottom-right corner.
    for (WPARAM command : {SC_MOVE, SC_SIZE, SC_MOVE | HTCAPTION, SC_SIZE | WMSZ_BOTTOMRIGHT}) {
        MSG stale;
        while (PeekMessageA(&stale, MainHwnd(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {
        }
        PostMessageA(MainHwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
        SendMessageA(MainHwnd(), WM_SYSCOMMAND, command, 0);
        MSG key;
        EXPECT_TRUE(PeekMessageA(&key, MainHwnd(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << command;
    }
    EXPECT_TRUE(SamePlace(WindowPlace(), place));
}

TEST_F(WindowTest, PressingAnywhereIsAClientPressSoNothingDragsTheWindow) {
    for (ControlId id : {kWindow, kPanel, kTitle, kLabel, kButton}) {
        HWND window = ControlHwnd(id);
        RECT place;
        GetWindowRect(window, &place);
        LPARAM centre = MAKELPARAM((place.left + place.right) / 2, (place.top + place.bottom) / 2);
        EXPECT_EQ(SendMessageA(window, WM_NCHITTEST, 0, centre), HTCLIENT)
            << TestWindow.controls[id].name;
    }
}

TEST_F(WindowTest, EscAndEnterDoNothing) {
    RECT before = WindowPlace();
    ClearEvents();
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        HWND window = MainHwnd();
        SendMessageA(window, WM_KEYDOWN, key, 0);
        SendMessageA(window, WM_CHAR, key == VK_ESCAPE ? 27 : 13, 0);
        SendMessageA(window, WM_KEYUP, key, 0);
        PumpFor(50);
        EXPECT_TRUE(IsWindow(window));
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_TRUE(SamePlace(WindowPlace(), before));
    }
    EXPECT_TRUE(Events().empty());
}

TEST_F(WindowTest, HandPointerOnlyOverTheControlsThatAskForIt) {
    HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    struct Case {
        ControlId control;
        HCURSOR expected;
    };
    for (Case c :
         {Case{kClose, hand}, Case{kLink, hand}, Case{kLabel, arrow}, Case{kButton, arrow},
          Case{kPanel, arrow}, Case{kWindow, arrow}, Case{kTitle, arrow}, Case{kBar, arrow}}) {
        HWND window = ControlHwnd(c.control);
        SetCursor(c.expected == hand ? arrow : hand);
        SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), c.expected) << TestWindow.controls[c.control].name;
    }
}
} // namespace
