// The ways the program ends, each in a child process (a death test re-runs this program):
// exit requests on and off the GUI thread, the last window closed, fatal errors.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "tests/runtime/fake_extract.h"
#include "tests/runtime/runtime_support.h"
#include "tests/runtime/test_window.h"

namespace {
using ::testing::ExitedWithCode;

// Exit codes that give away a wrong road.
constexpr UINT kCleanupRanTwice = 40;
constexpr UINT kForbiddenCleanupRan = 41;
constexpr UINT kRequesterWentOn = 42;
constexpr UINT kLoopReturned = 43;
constexpr UINT kTimedOut = 44;

DWORD gGuiThread = 0;
std::atomic<int> gCleanupRuns{0};

void ReportingCleanup() {
    if (++gCleanupRuns > 1)
        ExitProcess(kCleanupRanTwice);
    std::fprintf(stderr, "cleanup ran on the %s thread, window %s\n",
                 GetCurrentThreadId() == gGuiThread ? "GUI" : "wrong",
                 IsWindow(MainHwnd()) ? "open" : "gone");
}

void ForbiddenCleanup() {
    ExitProcess(kForbiddenCleanupRan);
}

void StartWithWindow(void (*cleanup)()) {
    gGuiThread = GetCurrentThreadId();
    PrepareRuntime();
    RegisterCleanup(cleanup);
    LoadWindow(TestWindow);
}

void Watchdog(int milliseconds) {
    std::thread([=] {
        Sleep(milliseconds);
        std::fprintf(stderr, "timed out\n");
        ExitProcess(kTimedOut);
    }).detach();
}

// ExitProgram called through a plain pointer, so that code after it is reachable.
void RequestExit(int code) {
    void (*request)(int) = ExitProgram;
    request(code);
    std::fprintf(stderr, "the requesting thread went on\n");
    ExitProcess(kRequesterWentOn);
}

TEST(ExitTest, ExitOnTheGuiThreadRunsTheCleanupOnceWithTheWindowStillOpen) {
    EXPECT_EXIT(
        {
            StartWithWindow(ReportingCleanup);
            RequestExit(0);
        },
        ExitedWithCode(0), "cleanup ran on the GUI thread, window open");
}

TEST(ExitTest, ExitFromAnotherThreadIsCarriedOutByTheGuiThreadWithItsCode) {
    for (int code : {0, 7}) {
        EXPECT_EXIT(
            {
                Watchdog(20000);
                StartWithWindow(ReportingCleanup);
                std::thread([code] { RequestExit(code); }).detach();
                RunMessageLoop();
                ExitProcess(kLoopReturned);
            },
            ExitedWithCode(code), "cleanup ran on the GUI thread, window open");
    }
}

TEST(ExitTest, ExitFromAnotherThreadWhileTheGuiThreadShowsABox) {
    EXPECT_EXIT(
        {
            Watchdog(20000);
            StartWithWindow(ReportingCleanup);
            std::thread([] {
                WaitForBox();
                RequestExit(0);
            }).detach();
            ShowMessageBox("waiting", 0);
            ExitProcess(kLoopReturned);
        },
        ExitedWithCode(0), "cleanup ran on the GUI thread, window open");
}

TEST(ExitTest, ClosingTheLastWindowEndsTheLoopAndTheExitRunsTheCleanupAfterwards) {
    EXPECT_EXIT(
        {
            Watchdog(20000);
            StartWithWindow(ReportingCleanup);
            PostMessageA(MainHwnd(), WM_CLOSE, 0, 0);
            RunMessageLoop();
            std::fprintf(stderr, "loop ended; ");
            RequestExit(0); // what the entry point does once ProgramEntry has returned
        },
        ExitedWithCode(0), "loop ended; cleanup ran on the GUI thread, window gone");
}

TEST(ExitTest, MessageLoopReturnsAtOnceWhenNoWindowIsOpen) {
    EXPECT_EXIT(
        {
            Watchdog(5000);
            PrepareRuntime();
            RunMessageLoop();
            std::fprintf(stderr, "loop returned\n");
            ExitProcess(0);
        },
        ExitedWithCode(0), "loop returned");
}

TEST(ExitTest, ALaterRegistrationReplacesTheEarlierOne) {
    EXPECT_EXIT(
        {
            StartWithWindow(ForbiddenCleanup);
            RegisterCleanup(ReportingCleanup);
            RequestExit(0);
        },
        ExitedWithCode(0), "cleanup ran on the GUI thread");
}

TEST(ExitTest, ExitWithoutARegisteredCleanupStillEnds) {
    EXPECT_EXIT(
        {
            PrepareRuntime();
            LoadWindow(TestWindow);
            RequestExit(3);
        },
        ExitedWithCode(3), "");
}

void ReportingUndoneCleanup() {
    std::fprintf(stderr, "cleanup: the extraction was %s\n",
                 gFakeExtractionUndone ? "undone" : "still running");
}

// The worker's property calls wait for the GUI thread, which is waiting for the worker to
// stop: the way out must keep answering them.
TEST(ExitTest, AnExtractionUnderWayIsStoppedAndUndoneBeforeTheCleanup) {
    EXPECT_EXIT(
        {
            Watchdog(10000);
            StartWithWindow(ReportingUndoneCleanup);
            gFakeExtraction.runUntilStopped = true;
            std::thread([] { ExtractArchive(kZip, StagedFile(), "C:\\t"); }).detach();
            while (!gFakeExtractionRunning) {
                MSG message;
                while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageA(&message);
                Sleep(1);
            }
            RequestExit(5);
        },
        ExitedWithCode(5), "cleanup: the extraction was undone");
}

// Each trigger raises one event, the fake extraction three.
int TriggerEveryEvent() {
    size_t before = Events().size();
    SendMessageA(ControlHwnd(kClose), WM_LBUTTONUP, 0, 0);
    SendMessageA(ControlHwnd(kLabel), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(ControlHwnd(kLabel), WM_LBUTTONUP, 0, 0);
    SendMessageA(ControlHwnd(kButton), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(ControlHwnd(kButton), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    ExtractArchive(kZip, StagedFile(), "C:\\t");
    return static_cast<int>(Events().size() - before);
}

void TriggeringCleanup() {
    std::fprintf(stderr, "after: %d\n", TriggerEveryEvent());
}

TEST(ExitTest, NoEventIsDeliveredOnceTheExitHasBegun) {
    EXPECT_EXIT(
        {
            StartWithWindow(TriggeringCleanup);
            std::fprintf(stderr, "before: %d, ", TriggerEveryEvent());
            RequestExit(0);
        },
        ExitedWithCode(0), "before: 7, after: 0");
}

TEST(ExitTest, ARequestFromAnotherThreadDoesNotCutShortAnExitUnderWay) {
    EXPECT_EXIT(
        {
            StartWithWindow([] {
                std::thread([] { RequestExit(9); }).detach();
                Sleep(300);
                std::fprintf(stderr, "cleanup finished\n");
            });
            RequestExit(0);
        },
        ExitedWithCode(0), "cleanup finished");
}

TEST(ExitTest, WhenTheGuiThreadIsGoneTheRequesterEndsTheProcessWithoutTheCleanup) {
    EXPECT_EXIT(
        {
            Watchdog(20000);
            std::thread gui([] { StartWithWindow(ForbiddenCleanup); });
            gui.join(); // its windows die with it
            RequestExit(7);
        },
        ExitedWithCode(7), "");
}

// ---- fatal run-time errors ---------------------------------------------------------------

TEST(FatalErrorTest, OnTheGuiThreadShowsItsBoxThenEndsWithMinusOneWithoutTheCleanup) {
    EXPECT_EXIT(
        {
            Watchdog(20000);
            StartWithWindow(ForbiddenCleanup);
            AnswerFatalBoxLater("test failure 42", GetCurrentThreadId(), MainHwnd());
            FatalRuntimeError("test failure 42");
        },
        ExitedWithCode(-1), "fatal box: names the failure, on the failing thread, window blocked");
}

TEST(FatalErrorTest, OnAnotherThreadShowsItsBoxThereAndEndsWithMinusOne) {
    EXPECT_EXIT(
        {
            Watchdog(20000);
            StartWithWindow(ForbiddenCleanup);
            std::thread([] {
                AnswerFatalBoxLater("worker failure", GetCurrentThreadId(), nullptr);
                FatalRuntimeError("worker failure");
            }).detach();
            RunMessageLoop();
            ExitProcess(kLoopReturned);
        },
        ExitedWithCode(-1), "fatal box: names the failure, on the failing thread");
}

TEST(FatalErrorTest, MemoryThatCannotBeObtainedIsFatal) {
    EXPECT_EXIT(
        {
            Watchdog(20000);
            PrepareRuntime();
            RegisterCleanup(ForbiddenCleanup);
            AnswerFatalBoxLater("内存", GetCurrentThreadId(), nullptr);
            volatile size_t huge = SIZE_MAX / 4;
            void* memory = ::operator new(huge);
            std::fprintf(stderr, "got %p\n", memory);
        },
        ExitedWithCode(-1), "fatal box: names the failure, on the failing thread");
}

TEST(FatalErrorTest, AControlThatDoesNotExistIsFatal) {
    for (ControlId control : {-1, static_cast<int>(kTestControlCount), 1000}) {
        EXPECT_EXIT(
            {
                Watchdog(20000);
                StartWithWindow(ForbiddenCleanup);
                AnswerFatalBoxLater("控件", GetCurrentThreadId(), MainHwnd());
                SetControlProperty(control, kPropLeft, 1LL);
            },
            ExitedWithCode(-1), "fatal box: names the failure, on the failing thread");
    }
}

// ---- descriptions that cannot make a window -------------------------------------------------

struct BadWindow {
    const char* what;
    std::vector<ControlDesc> controls;
    std::vector<int> stacking;
};

ControlDesc Row(ControlKind kind, int parent, const ByteBlock* picture = nullptr) {
    ControlDesc desc = Describe(kind, 0, "x", parent, {0, 0, 20, 20}, {});
    desc.picture = picture;
    return desc;
}

// Rows numbered by their place, so that each bad window fails for its own reason.
std::vector<ControlDesc> Numbered(std::vector<ControlDesc> rows) {
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].id = static_cast<int>(i);
    return rows;
}

TEST(FatalErrorTest, ADescriptionThatCannotBeBuiltIsFatal) {
    using K = ControlKind;
    const BadWindow bad[] = {
        {"no entries", {}, {}},
        {"entry 0 is not the window", Numbered({Row(K::PictureBox, -1)}), {}},
        {"parent after the child",
         Numbered({Row(K::Window, -1), Row(K::Label, 2), Row(K::PictureBox, 0)}),
         {}},
        {"a second window", Numbered({Row(K::Window, -1), Row(K::Window, 0)}), {}},
        {"a child of the ZIP component",
         Numbered({Row(K::Window, -1), Row(K::Zip, 0), Row(K::Label, 1)}),
         {}},
        {"an id that is not its row", {Row(K::Window, -1), Row(K::Label, 0)}, {}},
        {"stacking names the window", Numbered({Row(K::Window, -1), Row(K::Label, 0)}), {0}},
        {"stacking beyond the table", Numbered({Row(K::Window, -1), Row(K::Label, 0)}), {2}},
        {"stacking misses a child",
         Numbered({Row(K::Window, -1), Row(K::Label, 0), Row(K::Label, 0)}),
         {1}},
        {"stacking names a child twice",
         Numbered({Row(K::Window, -1), Row(K::Label, 0), Row(K::Label, 0)}),
         {1, 1}},
        {"a picture that is not one",
         Numbered({Row(K::Window, -1), Row(K::PictureBox, 0, &NotAPicture)}),
         {}},
    };
    for (const BadWindow& window : bad) {
        SCOPED_TRACE(window.what);
        EXPECT_EXIT(
            {
                Watchdog(20000);
                PrepareRuntime();
                RegisterCleanup(ForbiddenCleanup);
                AnswerFatalBoxLater("窗口", GetCurrentThreadId(), nullptr);
                LoadWindow(WindowDesc{window.controls, window.stacking});
                ExitProcess(kLoopReturned);
            },
            ExitedWithCode(-1), "fatal box: names the failure, on the failing thread");
    }
}
} // namespace
