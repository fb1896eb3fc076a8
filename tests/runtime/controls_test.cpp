// How each kind of control paints and answers the mouse.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tests/runtime/fake_extract.h"
#include "tests/runtime/runtime_support.h"
#include "tests/runtime/test_window.h"

namespace {
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureTestWindow();
        ClearEvents();
    }
};

// ---- labels ------------------------------------------------------------------------------

Canvas RenderCaption(ControlId label, const std::string& caption) {
    SetControlProperty(label, kPropCaption, caption);
    return Render(ControlHwnd(label));
}

TEST_F(ControlsTest, LabelDrawsItsCaptionOnOneLineLeftAlignedAndVerticallyCentred) {
    const ControlDesc& desc = TestWindow.controls[kLabel]; // 200 x 40
    Canvas canvas = RenderCaption(kLabel, "Several words that would wrap if they could, and more");
    RECT ink = canvas.InkBounds(desc.backColor);
    EXPECT_LE(ink.left, 3);
    EXPECT_LT(ink.bottom - ink.top, 20) << "more than one line";
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, desc.height / 2.0, 3.0);
    EXPECT_TRUE(Near(canvas.At(5, 1), desc.backColor));
    bool textColoured = false;
    for (uint32_t p : canvas.pixels)
        textColoured |= Near(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF), desc.textColor, 8);
    EXPECT_TRUE(textColoured);
}

TEST_F(ControlsTest, LongCaptionIsCutAtTheRightEdgeWithoutAnEllipsis) {
    const ControlDesc& desc = TestWindow.controls[kLabel];
    Canvas canvas = RenderCaption(kLabel, std::string(60, 'W'));
    RECT ink = canvas.InkBounds(desc.backColor);
    EXPECT_GE(ink.right, desc.width - 2);
    // Dots of an ellipsis would sit on the baseline; cut letters reach up to the cap height.
    bool tallInkAtTheEdge = false;
    for (int x = desc.width - 10; x < desc.width; ++x)
        for (int y = ink.top; y < (ink.top + ink.bottom) / 2; ++y)
            tallInkAtTheEdge |= !Near(canvas.At(x, y), desc.backColor, 24);
    EXPECT_TRUE(tallInkAtTheEdge);
}

TEST_F(ControlsTest, AmpersandIsDrawnAsItIs) {
    COLORREF ground = TestWindow.controls[kLabel].backColor;
    RECT plain = RenderCaption(kLabel, "ab").InkBounds(ground);
    RECT withAmpersand = RenderCaption(kLabel, "a&b").InkBounds(ground);
    EXPECT_GE(withAmpersand.right - withAmpersand.left, plain.right - plain.left + 3);
}

TEST_F(ControlsTest, TransparentLabelShowsThePanelBehindItsText) {
    Canvas canvas = Render(ControlHwnd(kTitle));
    EXPECT_TRUE(Near(canvas.At(canvas.width - 2, 1), kPanelColor, 8));
    EXPECT_FALSE(Near(canvas.At(canvas.width - 2, 1), kUnusedColor, 8));
    RECT ink = canvas.InkBounds(kPanelColor);
    EXPECT_GT(ink.right, ink.left) << "no caption drawn";
}

TEST_F(ControlsTest, CaptionChangeRepaintsTheLabel) {
    for (ControlId label : {kLabel, kTitle}) {
        HWND window = ControlHwnd(label);
        UpdateWindow(window);
        EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
        SetControlProperty(label, kPropCaption, std::string("新的文字"));
        EXPECT_TRUE(GetUpdateRect(window, nullptr, FALSE)) << TestWindow.controls[label].name;
        UpdateWindow(window);
    }
    SetControlProperty(kTitle, kPropCaption, std::string("安装程序"));
}

TEST_F(ControlsTest, LabelsUseTheDescribedFonts) {
    struct Case {
        ControlId label;
        LONG height; // 0: the default GUI font itself
        LONG weight;
        BYTE underline;
    };
    for (Case c : {Case{kTitle, -12, FW_BOLD, 0}, Case{kLink, -12, FW_NORMAL, 1},
                   Case{kLabel, 0, 0, 0}, Case{kClose, 0, 0, 0}}) {
        auto font = reinterpret_cast<HFONT>(SendMessageA(ControlHwnd(c.label), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        if (c.height == 0) {
            EXPECT_EQ(font, GetStockObject(DEFAULT_GUI_FONT)) << TestWindow.controls[c.label].name;
            continue;
        }
        LOGFONTA described{};
        ASSERT_TRUE(GetObjectA(font, sizeof described, &described));
        EXPECT_EQ(described.lfHeight, c.height);
        EXPECT_EQ(described.lfWeight, c.weight);
        EXPECT_EQ(described.lfUnderline, c.underline);
        EXPECT_EQ(described.lfCharSet, GB2312_CHARSET);
        EXPECT_STREQ(described.lfFaceName, "");
    }
}

TEST_F(ControlsTest, LabelsRaiseTheirLeftButtonRoutinesWithPositionAndKeys) {
    struct Case {
        ControlId label;
        UINT message;
        const char* event;
    };
    for (Case c :
         {Case{kLabel, WM_LBUTTONDOWN, "pressed"}, Case{kLabel, WM_LBUTTONUP, "released"},
          Case{kLink, WM_LBUTTONDOWN, "pressed"}, Case{kClose, WM_LBUTTONUP, "released"}}) {
        ClearEvents();
        SendMessageA(ControlHwnd(c.label), c.message, MK_LBUTTON | MK_SHIFT, MAKELPARAM(7, 9));
        ReleaseCapture();
        auto events = Events();
        ASSERT_EQ(events.size(), 1u) << c.event;
        EXPECT_EQ(events[0].name, c.event);
        EXPECT_EQ(events[0].a, 7);
        EXPECT_EQ(events[0].b, 9);
        EXPECT_EQ(events[0].c, MK_LBUTTON | MK_SHIFT);
    }
}

TEST_F(ControlsTest, UnboundEventsRaiseNothing) {
    SendMessageA(ControlHwnd(kLink), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));    // pressed only
    SendMessageA(ControlHwnd(kClose), WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1)); // released only
    SendMessageA(ControlHwnd(kPanel), WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
    SendMessageA(ControlHwnd(kPanel), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    ReleaseCapture();
    EXPECT_TRUE(Events().empty());
}

// ---- picture boxes -------------------------------------------------------------------------

TEST_F(ControlsTest, PictureBoxStretchesItsPictureOverTheWholeBox) {
    Canvas canvas = Render(ControlHwnd(kLogo)); // 60 x 30 from a 20 x 10 red|blue picture
    ASSERT_EQ(canvas.width, 60);
    EXPECT_TRUE(Near(canvas.At(2, 2), kRed));
    EXPECT_TRUE(Near(canvas.At(25, 27), kRed));
    EXPECT_TRUE(Near(canvas.At(35, 2), kBlue));
    EXPECT_TRUE(Near(canvas.At(58, 28), kBlue));
}

TEST_F(ControlsTest, PictureBoxWithoutPictureShowsItsBackColourAndBorderOnlyWhenAsked) {
    Canvas canvas = Render(ControlHwnd(kPanel));
    EXPECT_TRUE(Near(canvas.At(canvas.width / 2, canvas.height - 10), kPanelColor, 8));
    EXPECT_TRUE(GetWindowLongA(ControlHwnd(kPanel), GWL_STYLE) & WS_BORDER);
    EXPECT_FALSE(GetWindowLongA(ControlHwnd(kLogo), GWL_STYLE) & WS_BORDER);
}

// ---- graphic button ------------------------------------------------------------------------

class GraphicButtonTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        button_ = ControlHwnd(kButton);
        // The real pointer stays away, so that only the messages sent here move the button.
        SetCursorPos(0, 0);
        PumpFor(50);
        Send(WM_MOUSELEAVE);
        ClearEvents();
    }
    void TearDown() override {
        ReleaseCapture();
        Send(WM_MOUSELEAVE);
    }
    void Send(UINT message, WPARAM keys = 0, int x = 5, int y = 5) {
        SendMessageA(button_, message, keys, MAKELPARAM(x, y));
    }
    COLORREF Face() { return Render(button_).At(3, 5); }
    int Clicks() {
        int clicks = 0;
        for (const Event& e : Events())
            clicks += e.name == "clicked";
        return clicks;
    }
    HWND button_ = nullptr;
};

TEST_F(GraphicButtonTest, DrawsTheNormalPictureAtNaturalSizeOnBlack) {
    Canvas canvas = Render(button_); // 40 x 20 button, 20 x 10 picture
    EXPECT_TRUE(Near(canvas.At(3, 5), kRed));
    EXPECT_TRUE(Near(canvas.At(16, 5), kBlue));
    EXPECT_TRUE(Near(canvas.At(30, 5), kBlack, 8));
    EXPECT_TRUE(Near(canvas.At(3, 15), kBlack, 8));
    EXPECT_TRUE(Near(canvas.At(39, 19), kBlack, 8));
}

TEST_F(GraphicButtonTest, PictureFollowsPointerAndLeftButton) {
    struct Step {
        const char* what;
        UINT message;
        WPARAM keys;
        int x, y;
        COLORREF face;
        int clicks;
    };
    const Step steps[] = {
        {"pointer over it", WM_MOUSEMOVE, 0, 5, 5, kGreen, 0},
        {"left button pressed on it", WM_LBUTTONDOWN, MK_LBUTTON, 5, 5, kRed, 0},
        {"moved while held", WM_MOUSEMOVE, MK_LBUTTON, 6, 6, kRed, 0},
        {"released over it", WM_LBUTTONUP, 0, 6, 6, kGreen, 1},
        {"pointer left", WM_MOUSELEAVE, 0, 0, 0, kRed, 1},
        {"came back with the button held elsewhere", WM_MOUSEMOVE, MK_LBUTTON, 5, 5, kRed, 1},
        {"released without a press on it", WM_LBUTTONUP, 0, 5, 5, kGreen, 1},
        {"pressed again", WM_LBUTTONDOWN, MK_LBUTTON, 5, 5, kRed, 1},
        {"dragged off", WM_MOUSEMOVE, MK_LBUTTON, 100, 100, kRed, 1},
        {"released off it", WM_LBUTTONUP, 0, 100, 100, kRed, 1},
    };
    for (const Step& step : steps) {
        Send(step.message, step.keys, step.x, step.y);
        EXPECT_TRUE(Near(Face(), step.face)) << step.what;
        EXPECT_EQ(Clicks(), step.clicks) << step.what;
    }
}

TEST_F(GraphicButtonTest, TheRealPointerBringsTheHoverPictureAndTakesItAway) {
    RECT place;
    GetWindowRect(button_, &place);
    SetCursorPos(place.left + 10, place.top + 5);
    EXPECT_TRUE(PumpUntil([&] { return Near(Face(), kGreen); }, 3000)) << "no hover";
    SetCursorPos(place.left - 30, place.top - 30);
    EXPECT_TRUE(PumpUntil([&] { return Near(Face(), kRed); }, 3000)) << "hover stayed";
}

TEST_F(GraphicButtonTest, ClickedRoutineRunsOnTheGuiThread) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON);
    Send(WM_LBUTTONUP);
    auto events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].thread, GetCurrentThreadId());
}

// ---- ZIP component -------------------------------------------------------------------------

// A staged archive of a few bytes, held as the installer holds it; deleted at the end.
struct StagedArchiveFile {
    StagedArchiveFile() {
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(sizeof temp, temp);
        const uint8_t bytes[] = {'P', 'K', 3, 4};
        file = StagedFile::Write(std::string(temp) + "runtime-staged.zip", bytes);
    }
    ~StagedArchiveFile() { file.Discard(); }
    StagedFile file;
};

TEST_F(ControlsTest, ExtractionHandsItsProgressToTheZipRoutineOnTheCallingThread) {
    gFakeExtraction = FakeExtraction{};
    gFakeExtraction.percents = {0, 9, 18, 100};
    gFakeExtraction.result = 1;
    const StagedArchiveFile staged;
    int result = -5;
    DWORD worker = 0;
    std::thread thread([&] {
        worker = GetCurrentThreadId();
        result = ExtractArchive(kZip, staged.file, "D:\\目标");
    });
    thread.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(gFakeExtraction.archive, staged.file.Handle()) << "read through the held handle";
    EXPECT_EQ(gFakeExtraction.target, "D:\\目标");
    auto events = Events();
    ASSERT_EQ(events.size(), 4u);
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].name, "progress");
        EXPECT_EQ(events[i].a, gFakeExtraction.percents[i]);
        EXPECT_EQ(events[i].thread, worker);
    }
}

TEST_F(ControlsTest, ExtractionResultComesBackAsTheComponentGaveIt) {
    const StagedArchiveFile staged;
    for (int given : {1, 0, -1}) {
        gFakeExtraction = FakeExtraction{};
        gFakeExtraction.result = given;
        EXPECT_EQ(ExtractArchive(kZip, staged.file, "C:\\t"), given);
    }
}
} // namespace
