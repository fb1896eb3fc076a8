// Reading and writing control properties by index, from the GUI thread and from others.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "tests/runtime/runtime_support.h"
#include "tests/runtime/test_window.h"

namespace {
class PropertiesTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureTestWindow(); }
};

long long Number(ControlId control, int index) {
    return GetControlProperty(control, index).number;
}

// The caption as Windows itself keeps it, read without asking the window.
std::wstring StoredText(HWND window) {
    wchar_t text[512] = {};
    InternalGetWindowText(window, text, 512);
    return text;
}

std::wstring Wide(const std::string& gbk) {
    wchar_t text[512] = {};
    MultiByteToWideChar(936, 0, gbk.c_str(), -1, text, 512);
    return text;
}

TEST_F(PropertiesTest, WindowPlaceAndSizeAreReadAndWritten) {
    RECT before;
    GetWindowRect(MainHwnd(), &before);
    EXPECT_EQ(Number(kWindow, kPropLeft), before.left);
    EXPECT_EQ(Number(kWindow, kPropTop), before.top);
    EXPECT_EQ(Number(kWindow, kPropWidth), kWindowWidth);
    EXPECT_EQ(Number(kWindow, kPropHeight), kWindowHeight);

    SetControlProperty(kWindow, kPropTop, 300LL);
    SetControlProperty(kWindow, kPropWidth, 310LL);
    SetControlProperty(kWindow, kPropHeight, 205LL);
    RECT after;
    GetWindowRect(MainHwnd(), &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, 300);
    EXPECT_EQ(after.right - after.left, 310);
    EXPECT_EQ(after.bottom - after.top, 205);
    EXPECT_EQ(Number(kWindow, kPropTop), 300);

    SetControlProperty(kWindow, kPropLeft, before.left + 1LL);
    EXPECT_EQ(Number(kWindow, kPropLeft), before.left + 1);
    SetWindowPos(MainHwnd(), nullptr, before.left, before.top, kWindowWidth, kWindowHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

TEST_F(PropertiesTest, ControlPlaceIsRelativeToItsParent) {
    EXPECT_EQ(Number(kLabel, kPropLeft), 10);
    EXPECT_EQ(Number(kLabel, kPropTop), 100);
    EXPECT_EQ(Number(kLabel, kPropWidth), 200);
    EXPECT_EQ(Number(kLabel, kPropHeight), 40);
    SetControlProperty(kLabel, kPropLeft, 12LL);
    RECT place;
    GetWindowRect(ControlHwnd(kLabel), &place);
    MapWindowPoints(nullptr, ControlHwnd(kPanel), reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, 12);
    EXPECT_EQ(place.top, 100);
    EXPECT_EQ(place.right - place.left, 200);
    SetControlProperty(kLabel, kPropLeft, 10LL);
}

TEST_F(PropertiesTest, CaptionIsTheLabelsRealWindowText) {
    for (ControlId label : {kLabel, kTitle, kLink}) {
        const std::string caption = "D:\\软件\\Quillmere 安装目录";
        SetControlProperty(label, kPropCaption, caption);
        EXPECT_EQ(GetControlProperty(label, kPropCaption).text, caption);
        char text[512] = {};
        SendMessageA(ControlHwnd(label), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::string(text), caption);
        EXPECT_EQ(StoredText(ControlHwnd(label)), Wide(caption));
    }
    SetControlProperty(kTitle, kPropCaption, std::string("安装程序"));
}

TEST_F(PropertiesTest, CaptionsKeepEveryByteIncludingTrailBytesThatLookLikeBackslashes) {
    // 0x5C is the trail byte of 俓 (0x82 0x5C) and 表 (0xB1 0xED) is common.
    for (const std::string& caption :
         {std::string(""), std::string("\x82\x5C\xB1\xED"), std::string(300, 'x')}) {
        SetControlProperty(kLabel, kPropCaption, caption);
        EXPECT_EQ(GetControlProperty(kLabel, kPropCaption).text, caption);
    }
}

TEST_F(PropertiesTest, WindowCaptionIsItsTitle) {
    EXPECT_EQ(GetControlProperty(kWindow, kPropCaption).text, "运行时测试");
}

TEST_F(PropertiesTest, VisibleShowsAndHides) {
    HWND bar = ControlHwnd(kBar);
    EXPECT_EQ(Number(kBar, kPropVisible), 0);
    SetControlProperty(kBar, kPropVisible, 1LL);
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_EQ(Number(kBar, kPropVisible), 1);
    SetControlProperty(kBar, kPropVisible, 0LL);
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_EQ(Number(kBar, kPropVisible), 0);
}

TEST_F(PropertiesTest, ProgressBarIsSmoothWithAStaticEdgeAndStartsEmpty) {
    HWND bar = ControlHwnd(kBar);
    char type[64] = {};
    GetClassNameA(bar, type, sizeof type);
    EXPECT_STREQ(type, PROGRESS_CLASSA);
    EXPECT_TRUE(GetWindowLongA(bar, GWL_STYLE) & PBS_SMOOTH);
    EXPECT_TRUE(GetWindowLongA(bar, GWL_EXSTYLE) & WS_EX_STATICEDGE);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
}

TEST_F(PropertiesTest, ProgressPositionIsKeptWithin0To32767AndDrawnWithinTheRange) {
    HWND bar = ControlHwnd(kBar);
    struct Case {
        long long given, kept, drawn;
    };
    for (Case c : {Case{0, 0, 0}, Case{45, 45, 45}, Case{100, 100, 100}, Case{101, 101, 100},
                   Case{40000, 32767, 100}, Case{-5, 0, 0}, Case{1LL << 40, 32767, 100}}) {
        SetControlProperty(kBar, kPropPosition, c.given);
        EXPECT_EQ(Number(kBar, kPropPosition), c.kept) << c.given;
        EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), c.drawn) << c.given;
    }
    SetControlProperty(kBar, kPropPosition, 0LL);
}

TEST_F(PropertiesTest, ProgressMaximumSetsTheRangeAndRedrawsTheKeptPosition) {
    HWND bar = ControlHwnd(kBar);
    EXPECT_EQ(Number(kBar, kPropMaximum), 100);
    SetControlProperty(kBar, kPropPosition, 150LL);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 100);
    SetControlProperty(kBar, kPropMaximum, 200LL);
    EXPECT_EQ(Number(kBar, kPropMaximum), 200);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 200);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 150);
    SetControlProperty(kBar, kPropMaximum, 100LL);
    SetControlProperty(kBar, kPropPosition, 0LL);
}

TEST_F(PropertiesTest, ButtonPicturesAreDecodedWhenAssigned) {
    ByteView red = BlockBytes(RedBluePicture);
    ByteView green = BlockBytes(GreenPicture);
    const uint8_t garbage[] = {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'};
    struct Case {
        const char* what;
        ByteView picture;
        COLORREF face;
    };
    for (Case c : {Case{"green", green, RGB(0, 255, 0)}, Case{"nothing", ByteView{}, RGB(0, 0, 0)},
                   Case{"undecodable bytes", ByteView(garbage), RGB(0, 0, 0)},
                   Case{"red again", red, RGB(255, 0, 0)}}) {
        SetControlProperty(kButton, kPropNormalPicture, c.picture);
        EXPECT_TRUE(Near(Render(ControlHwnd(kButton)).At(3, 5), c.face)) << c.what;
    }
}

TEST_F(PropertiesTest, HoverPictureAssignedShowsWhileThePointerIsOver) {
    HWND button = ControlHwnd(kButton);
    SetControlProperty(kButton, kPropHoverPicture, BlockBytes(RedBluePicture));
    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_TRUE(Near(Render(button).At(16, 5), RGB(0, 0, 255)));
    SetControlProperty(kButton, kPropHoverPicture, ByteView{});
    EXPECT_TRUE(Near(Render(button).At(16, 5), RGB(0, 0, 255))) << "no hover picture: normal";
    SetControlProperty(kButton, kPropNormalPicture, BlockBytes(GreenPicture));
    EXPECT_TRUE(Near(Render(button).At(16, 5), RGB(0, 255, 0))) << "no hover picture: normal";
    SendMessageA(button, WM_MOUSELEAVE, 0, 0);
    SetControlProperty(kButton, kPropNormalPicture, BlockBytes(RedBluePicture));
    SetControlProperty(kButton, kPropHoverPicture, BlockBytes(GreenPicture));
}

TEST_F(PropertiesTest, CommonPropertiesTagDisabledAndPointer) {
    SetControlProperty(kLabel, kPropTag, std::string("标记"));
    EXPECT_EQ(GetControlProperty(kLabel, kPropTag).text, "标记");
    SetControlProperty(kLabel, kPropDisabled, 1LL);
    EXPECT_FALSE(IsWindowEnabled(ControlHwnd(kLabel)));
    EXPECT_EQ(Number(kLabel, kPropDisabled), 1);
    SetControlProperty(kLabel, kPropDisabled, 0LL);
    EXPECT_TRUE(IsWindowEnabled(ControlHwnd(kLabel)));

    EXPECT_EQ(Number(kLabel, kPropCursor), static_cast<int>(PointerShape::Arrow));
    EXPECT_EQ(Number(kClose, kPropCursor), static_cast<int>(PointerShape::Hand));
    SetControlProperty(kLabel, kPropCursor, static_cast<long long>(PointerShape::Hand));
    HWND label = ControlHwnd(kLabel);
    SetCursor(nullptr);
    SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, 0));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
    SetControlProperty(kLabel, kPropCursor, static_cast<long long>(PointerShape::Arrow));
}

TEST_F(PropertiesTest, ZipComponentKeepsItsDesignedPlace) {
    EXPECT_EQ(Number(kZip, kPropLeft), 8);
    EXPECT_EQ(Number(kZip, kPropTop), 4);
    EXPECT_EQ(Number(kZip, kPropWidth), 27);
    EXPECT_EQ(GetControlProperty(kZip, kPropCaption).text, "");
}

TEST_F(PropertiesTest, GetWindowHandleIsTheMainWindow) {
    HWND window = MainHwnd();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_EQ(GetParent(ControlHwnd(kPanel)), window);
}

// ---- from another thread -----------------------------------------------------------------

TEST_F(PropertiesTest, AnotherThreadsWritesAndReadsAreCarriedOutOnTheGuiThread) {
    std::atomic<bool> done{false};
    std::string captionSeen, storedRightAfter;
    long long positionSeen = -1, visibleSeen = -1;
    HWND label = ControlHwnd(kLabel);
    std::thread worker([&] {
        SetControlProperty(kLabel, kPropCaption, std::string("正在解压"));
        // Synchronous: the window text is already there when the call returns.
        wchar_t stored[64] = {};
        InternalGetWindowText(label, stored, 64);
        char narrow[128] = {};
        WideCharToMultiByte(936, 0, stored, -1, narrow, sizeof narrow, nullptr, nullptr);
        storedRightAfter = narrow;
        SetControlProperty(kBar, kPropVisible, 1LL);
        SetControlProperty(kBar, kPropPosition, 63LL);
        SetControlProperty(kButton, kPropNormalPicture, BlockBytes(GreenPicture));
        captionSeen = GetControlProperty(kLabel, kPropCaption).text;
        positionSeen = GetControlProperty(kBar, kPropPosition).number;
        visibleSeen = GetControlProperty(kBar, kPropVisible).number;
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(storedRightAfter, "正在解压");
    EXPECT_EQ(captionSeen, "正在解压");
    EXPECT_EQ(positionSeen, 63);
    EXPECT_EQ(visibleSeen, 1);
    EXPECT_EQ(SendMessageA(ControlHwnd(kBar), PBM_GETPOS, 0, 0), 63);
    EXPECT_TRUE(IsWindowVisible(ControlHwnd(kBar)));
    EXPECT_TRUE(Near(Render(ControlHwnd(kButton)).At(3, 5), RGB(0, 255, 0)));

    SetControlProperty(kBar, kPropVisible, 0LL);
    SetControlProperty(kBar, kPropPosition, 0LL);
    SetControlProperty(kButton, kPropNormalPicture, BlockBytes(RedBluePicture));
}

TEST_F(PropertiesTest, AnotherThreadWaitsUntilTheGuiThreadHasCarriedOutItsCall) {
    struct Case {
        const char* what;
        std::function<void()> write;
        std::function<bool()> done;
    };
    HWND bar = ControlHwnd(kBar);
    const Case cases[] = {
        {"tag", [] { SetControlProperty(kLabel, kPropTag, std::string("t")); },
         [] { return GetControlProperty(kLabel, kPropTag).text == "t"; }},
        {"pointer", [] { SetControlProperty(kLabel, kPropCursor, 1LL); },
         [] { return GetControlProperty(kLabel, kPropCursor).number == 1; }},
        {"position", [] { SetControlProperty(kBar, kPropPosition, 77LL); },
         [bar] { return SendMessageA(bar, PBM_GETPOS, 0, 0) == 77; }},
    };
    for (const Case& c : cases) {
        std::atomic<bool> returned{false};
        std::thread worker([&] {
            c.write();
            returned = true;
        });
        Sleep(300); // the GUI thread is busy: no messages pumped
        EXPECT_FALSE(returned.load()) << c.what;
        EXPECT_FALSE(c.done()) << c.what;
        EXPECT_TRUE(PumpUntil([&] { return returned.load(); })) << c.what;
        worker.join();
        EXPECT_TRUE(c.done()) << c.what;
    }
    SetControlProperty(kLabel, kPropTag, std::string());
    SetControlProperty(kLabel, kPropCursor, 0LL);
    SetControlProperty(kBar, kPropPosition, 0LL);
}
} // namespace
