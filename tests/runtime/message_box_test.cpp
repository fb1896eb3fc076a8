// Message boxes: answers, title, text and modality, driven from a helper thread.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/runtime/runtime_support.h"
#include "tests/runtime/test_window.h"

namespace {
// What the helper saw of the box before it pressed a button.
struct SeenBox {
    bool found = false;
    bool hadButton = false;
    std::string title, text;
    DWORD thread = 0;
    bool mainWindowEnabled = false;
    bool topmost = false;
};

// Shows a box on the calling thread while a helper answers it with `button`.
int ShowAndAnswer(const std::string& text, unsigned style, const char* title, int button,
                  SeenBox& seen) {
    std::thread helper([&] {
        HWND box = WaitForBox();
        if (!box)
            return;
        seen.found = true;
        seen.title = WindowTextOf(box);
        seen.text = BoxText(box);
        seen.thread = GetWindowThreadProcessId(box, nullptr);
        seen.mainWindowEnabled = IsWindowEnabled(MainHwnd());
        seen.topmost = GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST;
        seen.hadButton = GetDlgItem(box, button) != nullptr;
        AnswerBox(box, button);
    });
    int answer = ShowMessageBox(text, style, title);
    helper.join();
    return answer;
}

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureTestWindow(); }
};

TEST_F(MessageBoxTest, EachButtonGivesItsAnswerCode) {
    struct Case {
        unsigned style;
        int button;
        int answer;
    };
    for (Case c : {Case{MB_OK, IDOK, kAnswerOk}, Case{MB_OKCANCEL, IDOK, kAnswerOk},
                   Case{MB_OKCANCEL, IDCANCEL, kAnswerCancel},
                   Case{MB_ABORTRETRYIGNORE, IDABORT, kAnswerAbort},
                   Case{MB_ABORTRETRYIGNORE, IDRETRY, kAnswerRetry},
                   Case{MB_ABORTRETRYIGNORE, IDIGNORE, kAnswerIgnore},
                   Case{MB_YESNO | MB_ICONINFORMATION, IDYES, kAnswerYes},
                   Case{MB_YESNO | MB_ICONINFORMATION, IDNO, kAnswerNo},
                   Case{MB_YESNOCANCEL, IDCANCEL, kAnswerCancel},
                   Case{MB_RETRYCANCEL, IDRETRY, kAnswerRetry}}) {
        SeenBox seen;
        int answer = ShowAndAnswer("问题", c.style, "标题", c.button, seen);
        ASSERT_TRUE(seen.found) << c.style;
        EXPECT_TRUE(seen.hadButton) << c.style << " " << c.button;
        EXPECT_EQ(answer, c.answer) << c.style << " " << c.button;
    }
}

TEST_F(MessageBoxTest, ShowsTheTextAndTitleOrTheDefaultTitle) {
    SeenBox titled;
    ShowAndAnswer("安装完成。\r\n是否立即运行？", 68, "Quillmere", IDYES, titled);
    EXPECT_EQ(titled.title, "Quillmere");
    EXPECT_EQ(titled.text, "安装完成。\r\n是否立即运行？");

    SeenBox untitled;
    ShowAndAnswer("请关闭杀毒软件的提示。", 0, nullptr, IDOK, untitled);
    EXPECT_EQ(untitled.title, "信息：");
    EXPECT_EQ(untitled.text, "请关闭杀毒软件的提示。");
}

TEST_F(MessageBoxTest, BlocksTheThreadsWindowsUnlessSystemModal) {
    SeenBox task;
    ShowAndAnswer("x", MB_OK, nullptr, IDOK, task);
    EXPECT_FALSE(task.mainWindowEnabled) << "not task-modal";
    EXPECT_FALSE(task.topmost);
    EXPECT_TRUE(IsWindowEnabled(MainHwnd())) << "not enabled again afterwards";

    SeenBox system;
    ShowAndAnswer("x", MB_OK | MB_SYSTEMMODAL, nullptr, IDOK, system);
    EXPECT_TRUE(system.mainWindowEnabled) << "task-modal added to a system-modal box";
    EXPECT_TRUE(system.topmost);
}

TEST_F(MessageBoxTest, RunsOnTheCallingThread) {
    SeenBox seen;
    std::atomic<bool> done{false};
    DWORD worker = 0;
    int answer = -1;
    std::thread thread([&] {
        worker = GetCurrentThreadId();
        answer = ShowAndAnswer("来自工作线程", 68, nullptr, IDNO, seen);
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    thread.join();
    EXPECT_EQ(seen.thread, worker);
    EXPECT_EQ(answer, kAnswerNo);
    EXPECT_TRUE(seen.mainWindowEnabled) << "a worker's box blocks only the worker's windows";
}
} // namespace
