// The idle window of the real setup.exe: where it is, what it shows, what it ignores and
// how it closes. Runs without a drive D:.
#include "tests/e2e/setup_fixture.h"

#include <commctrl.h>

#include <algorithm>

using namespace windriver;

namespace {

constexpr COLORREF kPanelBlue = RGB(22, 131, 196);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
// JPEG pictures decoded by two different decoders differ by a few levels per channel;
// text and edges differ by far more.
constexpr int kPictureTolerance = 40;
constexpr double kSamePicture = 0.02;

class MainWindow : public SetupTest {
protected:
    void SetUp() override {
        SetupTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Launch());
    }

    RECT ScreenRectOf(HWND control) const { return Describe(control).screen; }
    Image ButtonOnScreen() const { return CaptureScreen(ScreenRectOf(ui.installButton)); }
    bool ButtonShows(const Image& picture) const {
        return ShareDifferent(ButtonOnScreen(), picture, kPictureTolerance) < kSamePicture;
    }
    bool StillOpenAndUnchanged(const RECT& place) const {
        return setup.Running() && IsWindowVisible(ui.window) && NoBoxes() &&
               SameRect(Describe(ui.window).screen, place);
    }
};

TEST_F(MainWindow, IsABorderlessPopupCentredWithItsTopAt300) {
    const WindowInfo info = Describe(ui.window);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - 250) / 2;
    EXPECT_EQ(RectText(info.screen), RectText(MakeRect(left, 300, 250, 400)));
    RECT client{};
    GetClientRect(ui.window, &client);
    EXPECT_EQ(RectText(client), RectText(MakeRect(0, 0, 250, 400))) << "no frame takes room";

    EXPECT_EQ(info.text, kSetupWindowTitle);
    EXPECT_NE(info.style & WS_POPUP, 0);
    EXPECT_EQ(
        info.style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0)
        << std::hex << info.style;
    EXPECT_EQ(info.exStyle & WS_EX_TOPMOST, 0) << "not always on top";
    EXPECT_EQ(ChildWindows(ui.window).front(), ui.panel) << "the panel lies above the rest";
}

TEST_F(MainWindow, ControlsHaveTheirPlacesTextsAndVisibility) {
    struct Expected {
        const char* what;
        HWND SetupWindow::*control;
        RECT place;
        const char* text; // null: not a text the user reads
        bool shown;
    };
    const Expected controls[] = {
        {"panel", &SetupWindow::panel, MakeRect(0, 0, 250, 400), nullptr, true},
        {"title", &SetupWindow::title, MakeRect(7, 8, 68, 24), kSetupWindowTitle, true},
        {"close mark", &SetupWindow::closeMark, MakeRect(230, 14, 12, 12), kCloseMark, true},
        {"logo", &SetupWindow::logo, MakeRect(12, 36, 211, 211), nullptr, true},
        {"install button", &SetupWindow::installButton, MakeRect(14, 255, 220, 80), nullptr, true},
        {"progress bar", &SetupWindow::progressBar, MakeRect(21, 327, 205, 8), nullptr, false},
        {"directory caption", &SetupWindow::dirCaption, MakeRect(7, 344, 56, 24), kDirCaption,
         true},
        {"step label", &SetupWindow::stepLabel, MakeRect(79, 344, 160, 24), "", true},
        {"install directory", &SetupWindow::installDir, MakeRect(7, 367, 232, 25), nullptr, true},
    };
    for (const auto& expected : controls) {
        SCOPED_TRACE(expected.what);
        const WindowInfo info = Describe(ui.*expected.control);
        EXPECT_EQ(RectText(info.inParent), RectText(expected.place));
        if (expected.text) {
            EXPECT_EQ(info.text, expected.text);
        }
        EXPECT_EQ(info.visible, expected.shown);
    }

    const WindowInfo bar = Describe(ui.progressBar);
    EXPECT_EQ(bar.className, PROGRESS_CLASSA);
    EXPECT_NE(bar.style & PBS_SMOOTH, 0);
    EXPECT_EQ(bar.style & PBS_VERTICAL, 0);
    EXPECT_NE(bar.exStyle & WS_EX_STATICEDGE, 0);
    DWORD_PTR low = 99, high = 0, position = 99;
    SendMessageTimeoutA(ui.progressBar, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &low);
    SendMessageTimeoutA(ui.progressBar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &high);
    SendMessageTimeoutA(ui.progressBar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &position);
    EXPECT_EQ(low, 0u);
    EXPECT_EQ(high, 100u);
    EXPECT_EQ(position, 0u);
}

TEST_F(MainWindow, StacksThePanelsChildrenTopDown) {
    const std::vector<HWND> designed = {ui.stepLabel,     ui.closeMark,  ui.progressBar,
                                        ui.installButton, ui.dirCaption, ui.title,
                                        ui.logo,          ui.installDir};
    std::vector<HWND> stacked;
    for (HWND child : ChildWindows(ui.panel))
        if (std::find(designed.begin(), designed.end(), child) != designed.end())
            stacked.push_back(child);
    EXPECT_EQ(stacked, designed) << DumpChildren(ui.panel);
}

TEST_F(MainWindow, ProposesDriveCWithoutADriveD) {
    ASSERT_EQ(GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR))
        << "this test needs a prefix without drive D:";
    EXPECT_EQ(ui.InstallDirText(), kInstallDirOnC);
    EXPECT_TRUE(HoldsFor([&] { return NoBoxes(); }, kQuietMs)) << "no message about drive D:";
}

TEST_F(MainWindow, ScreenShowsThePanelTheYellowTitleTheLogoAndTheButtonPicture) {
    const Image normal = LoadPictureFile(PicturePath("install_normal.jpg"));
    const Image hover = LoadPictureFile(PicturePath("install_hover.jpg"));
    ASSERT_EQ(normal.width, 220);
    ASSERT_EQ(normal.height, 80);
    ASSERT_EQ(hover.width, 220);

    // Painting trails the window's appearance a little.
    ASSERT_TRUE(WaitUntil([&] { return ButtonShows(normal); }, kStartMs))
        << "install button differs from its normal picture in "
        << ShareDifferent(ButtonOnScreen(), normal, kPictureTolerance) * 100 << "% of pixels";
    EXPECT_GT(ShareDifferent(ButtonOnScreen(), hover, kPictureTolerance), kSamePicture)
        << "the idle button does not show the hover picture";
    // The teal face, just inside the frame, and not the panel's blue.
    const COLORREF face = ButtonOnScreen().At(20, 15);
    EXPECT_TRUE(NearColour(face, normal.At(20, 15), 12)) << ColourText(face);
    EXPECT_FALSE(NearColour(face, kPanelBlue, 6)) << ColourText(face);

    // Bare panel: between the title and the close mark, beside the logo, under the
    // install directory.
    const POINT panelPoints[] = {{120, 20}, {240, 150}, {5, 200}, {120, 396}};
    const RECT titleArea = MakeRect(7, 8, 68, 24);
    const RECT closeArea = MakeRect(230, 14, 12, 12);
    const RECT logoArea = MakeRect(12, 36, 211, 211);
    const RECT dirArea = MakeRect(7, 367, 150, 25);
    Image shot;
    auto allPainted = [&] {
        shot = CaptureWindow(ui.window);
        if (shot.width != 250 || shot.height != 400)
            return false;
        for (const POINT& p : panelPoints)
            if (!NearColour(shot.At(p.x, p.y), kPanelBlue, 6))
                return false;
        return CountNear(shot.Crop(titleArea), kYellow, 70) >= 20 &&
               CountNear(shot.Crop(closeArea), kWhite, 60) >= 3 &&
               CountNear(shot.Crop(logoArea), kWhite, 40) >= 500 &&
               CountNear(shot.Crop(dirArea), kWhite, 60) >= 20;
    };
    if (WaitUntil(allPainted, kBoxMs))
        return;

    SaveBmp(shot, "MainWindow-screen.bmp");
    ADD_FAILURE() << "screen saved as MainWindow-screen.bmp in the test's folder";
    ASSERT_EQ(shot.width, 250);
    ASSERT_EQ(shot.height, 400);
    for (const POINT& p : panelPoints)
        EXPECT_TRUE(NearColour(shot.At(p.x, p.y), kPanelBlue, 6))
            << p.x << "," << p.y << " is " << ColourText(shot.At(p.x, p.y));
    EXPECT_GE(CountNear(shot.Crop(titleArea), kYellow, 70), 20) << "yellow title text";
    EXPECT_GE(CountNear(shot.Crop(closeArea), kWhite, 60), 3) << "white close mark";
    EXPECT_GE(CountNear(shot.Crop(logoArea), kWhite, 40), 500) << "white flame";
    EXPECT_GE(CountNear(shot.Crop(dirArea), kWhite, 60), 20) << "white install directory text";
}

TEST_F(MainWindow, InstallButtonShowsHoverUnderThePointerAndNormalWhilePressed) {
    const Image normal = LoadPictureFile(PicturePath("install_normal.jpg"));
    const Image hover = LoadPictureFile(PicturePath("install_hover.jpg"));
    ASSERT_FALSE(normal.empty());
    ASSERT_FALSE(hover.empty());
    ASSERT_TRUE(WaitUntil([&] { return ButtonShows(normal); }, kStartMs));
    const POINT over = ToScreen(ui.installButton, ClientCentre(ui.installButton));
    // The pointer rests over the button, moving a pixel to and fro as a hand does, so a
    // single lost motion event (seen once under load in Wine) cannot decide the test.
    int nudge = 0;
    auto pointerOnButton = [&] {
        MoveMouseTo(POINT{over.x + (nudge++ % 2), over.y});
        return ButtonShows(hover);
    };
    auto whereThePointerIs = [&] {
        POINT now{};
        GetCursorPos(&now);
        return "pointer at " + std::to_string(now.x) + "," + std::to_string(now.y) +
               ", window there: " + ClassName(WindowFromPoint(now)) + " \"" +
               WindowText(WindowFromPoint(now)) + "\"";
    };

    EXPECT_TRUE(WaitUntil(pointerOnButton, kBoxMs)) << "hover picture; " << whereThePointerIs();
    ASSERT_TRUE(MoveMouseTo(POINT{2, 2}));
    EXPECT_TRUE(WaitUntil([&] { return ButtonShows(normal); }, kBoxMs)) << "pointer gone";
    EXPECT_TRUE(WaitUntil(pointerOnButton, kBoxMs)) << "hover again; " << whereThePointerIs();
    ASSERT_TRUE(MoveMouseTo(over));

    ASSERT_TRUE(LeftButton(true));
    EXPECT_TRUE(WaitUntil([&] { return ButtonShows(normal); }, kBoxMs)) << "pressed";
    EXPECT_TRUE(HoldsFor([&] { return NoBoxes(); }, kQuietMs)) << "a press alone is no click";
    ASSERT_TRUE(LeftButton(false));
    const auto notice = WaitForMessageBox(setup.pid(), kBoxMs);
    ASSERT_TRUE(notice.has_value()) << "releasing over the button clicks it";
    EXPECT_EQ(notice->title, kDefaultBoxTitle);
}

TEST_F(MainWindow, KeysPressesAndDragsChangeNothing) {
    const RECT place = Describe(ui.window).screen;
    const POINT onPanel = ToScreen(ui.panel, POINT{150, 20});
    const POINT onTitle = ToScreen(ui.title, ClientCentre(ui.title));

    // A press on the bare panel activates the window and does nothing else.
    ASSERT_TRUE(RealClick(onPanel));
    EXPECT_TRUE(HoldsFor([&] { return StillOpenAndUnchanged(place); }, kQuietMs));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == ui.window; }, kBoxMs) ||
                BringToFront(ui.window))
        << "keys would not reach the window";

    const std::pair<const char*, WORD> keys[] = {{"Esc", VK_ESCAPE}, {"Enter", VK_RETURN}};
    for (const auto& [name, key] : keys) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(TypeKey(key));
        EXPECT_TRUE(HoldsFor([&] { return StillOpenAndUnchanged(place); }, kQuietMs));
    }

    const std::pair<const char*, POINT> drags[] = {{"panel", onPanel}, {"title", onTitle}};
    for (const auto& [name, start] : drags) {
        SCOPED_TRACE(std::string("drag on the ") + name);
        ASSERT_TRUE(MoveMouseTo(start));
        ASSERT_TRUE(LeftButton(true));
        for (int step = 1; step <= 5; ++step)
            MoveMouseTo(POINT{start.x + step * 40, start.y + step * 30});
        ASSERT_TRUE(LeftButton(false));
        EXPECT_TRUE(HoldsFor([&] { return StillOpenAndUnchanged(place); }, kQuietMs))
            << RectText(Describe(ui.window).screen);
    }
}

// ---- the close mark ---------------------------------------------------------------------

enum class Gesture { PostedPress, PostedRelease, PostedPressAndRelease, RealPress, RealClick };

struct CloseCase {
    const char* name;
    Gesture gesture;
    bool ends;
};

// Names the case in test listings, so ctest shows it instead of the bytes.
void PrintTo(const CloseCase& c, std::ostream* out) {
    *out << c.name;
}

class CloseMark : public MainWindow, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseMark, EndsOnlyWhenTheButtonIsReleasedOverIt) {
    const POINT inside = ClientCentre(ui.closeMark);
    const POINT onScreen = ToScreen(ui.closeMark, inside);
    switch (GetParam().gesture) {
    case Gesture::PostedPress:
        PostMouse(ui.closeMark, WM_LBUTTONDOWN, inside, MK_LBUTTON);
        break;
    case Gesture::PostedRelease:
        PostMouse(ui.closeMark, WM_LBUTTONUP, inside);
        break;
    case Gesture::PostedPressAndRelease:
        PostClick(ui.closeMark, inside);
        break;
    case Gesture::RealPress:
        MoveMouseTo(onScreen);
        LeftButton(true);
        break;
    case Gesture::RealClick:
        RealClick(onScreen);
        break;
    }

    if (GetParam().ends) {
        ExpectExitCode(0);
    } else {
        EXPECT_TRUE(
            HoldsFor([&] { return setup.Running() && IsWindowVisible(ui.window); }, kQuietMs));
    }
    if (GetParam().gesture == Gesture::RealPress) {
        // Let go only once the program is gone, so the release lands nowhere.
        setup.Terminate();
        LeftButton(false);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, CloseMark,
    ::testing::Values(CloseCase{"PostedPressAlone", Gesture::PostedPress, false},
                      CloseCase{"RealPressAlone", Gesture::RealPress, false},
                      CloseCase{"PostedReleaseAlone", Gesture::PostedRelease, true},
                      CloseCase{"PostedPressAndRelease", Gesture::PostedPressAndRelease, true},
                      CloseCase{"RealClick", Gesture::RealClick, true}));

} // namespace
