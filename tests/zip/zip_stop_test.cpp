// Stopping extractions, as the program's way out does when the user closes the window
// while the worker extracts. Once asked, a process only ends, so each case runs in a
// child process of its own (a death test) and reports its verdict on its way out.
#include "platform/zip/extract.h"
#include "tests/zip/payload_fixture.h"
#include "tests/zip/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

using testing::ExitedWithCode;

constexpr unsigned kStopWaitMs = 2000;
constexpr UINT kStopFromHandler = WM_APP + 1;

[[noreturn]] void Verdict(const std::string& problems) {
    std::fprintf(stderr, "stop verdict: %s\n", problems.empty() ? "ok" : problems.c_str());
    std::fflush(stderr);
    ExitProcess(0);
}

// A window of the thread that asks for the stop; messages sent to it are answered only
// while that thread delivers them.
HWND MessageWindow() {
    return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

// Waits for `object`, delivering messages sent to this thread meanwhile.
bool WaitDelivering(HANDLE object, DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        DWORD woke = MsgWaitForMultipleObjects(1, &object, FALSE,
                                               static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0)
            return true;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
}

struct SlowHandler {
    SlowHandler(int stopAt, bool sends, HWND window)
        : stopAt(stopAt), sends(sends), window(window) {}

    int stopAt;
    bool sends;
    HWND window;
    HANDLE reached = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> stopAsked{false};
    std::vector<int> values;
    int afterStop = 0;

    static void OnProgress(void* context, int percent) {
        auto* self = static_cast<SlowHandler*>(context);
        self->values.push_back(percent);
        self->afterStop += self->stopAsked ? 1 : 0;
        if (percent == self->stopAt)
            SetEvent(self->reached);
        Sleep(percent == self->stopAt ? 100 : 20);
        // As the installer's property calls do: wait for the GUI thread to answer.
        if (self->sends)
            SendMessageA(self->window, WM_GETTEXTLENGTH, 0, 0);
    }
};

struct StopCase {
    const char* label;
    int stopAt; // the event during which the stop is asked for
    bool handlerSends;
};

const StopCase kStops[] = {
    {"at the first entry", 0, false},
    {"in the middle", 45, false},
    {"after the last entry, before the moves", 90, false},
    {"while the handler waits for the stopping thread", 45, true},
};

void PrintTo(const StopCase& c, std::ostream* out) {
    *out << c.label;
}

// The problems found, empty when there are none; the scratch folder is gone on return.
std::string StopDuringSlowExtraction(const StopCase& stop) {
    ScratchDir scratch;
    const std::string target = scratch / "Quillmere";
    const Installation old = WriteOldInstallation(target);
    SlowHandler handler{stop.stopAt, stop.handlerSends, MessageWindow()};
    std::atomic<int> result{-2};
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        result = ExtractZip(FixturePath("payload.zip"), target, &SlowHandler::OnProgress, &handler);
        SetEvent(done);
    });
    std::string problems;
    if (WaitDelivering(handler.reached, 20000)) {
        handler.stopAsked = true;
        if (!StopExtractions(kStopWaitMs))
            problems += "StopExtractions timed out; ";
    } else {
        problems += "the extraction never reached its stop point; ";
        StopExtractions(kStopWaitMs);
    }
    // A handler still waiting for this thread gets its answer here.
    WaitDelivering(done, 20000);
    worker.join();
    CloseHandle(done);
    if (result != 0)
        problems += "result " + std::to_string(result) + "; ";
    if (handler.afterStop != 0)
        problems += std::to_string(handler.afterStop) + " events after the stop; ";
    return problems + InstallationDifferences(target, old);
}

class ZipStop : public testing::TestWithParam<StopCase> {};

TEST_P(ZipStop, DuringASlowExtractionLeavesTheOldInstallationAndReturnsPromptly) {
    EXPECT_EXIT(Verdict(StopDuringSlowExtraction(GetParam())), ExitedWithCode(0),
                "stop verdict: ok");
}

INSTANTIATE_TEST_SUITE_P(Moments, ZipStop, testing::ValuesIn(kStops), ByLabel());

// The stop comes right after the first event of a long archive, with nothing slowing
// the walk: the inflating thread is inflating and the writing thread writing when it
// does.
struct FirstEventHandler {
    HANDLE reached = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> last{-1};

    static void OnProgress(void* context, int percent) {
        auto* self = static_cast<FirstEventHandler*>(context);
        self->last = percent;
        SetEvent(self->reached);
    }
};

std::string StopWhileBothThreadsRun() {
    ScratchDir scratch;
    const std::string target = scratch / "Quillmere";
    const Installation old = WriteOldInstallation(target);
    FirstEventHandler handler;
    std::atomic<int> result{-2};
    std::thread worker([&] {
        result =
            ExtractZip(FixturePath("long.zip"), target, &FirstEventHandler::OnProgress, &handler);
    });
    std::string problems;
    if (WaitForSingleObject(handler.reached, 20000) != WAIT_OBJECT_0)
        problems += "no event came; ";
    const ULONGLONG asked = GetTickCount64();
    if (!StopExtractions(kStopWaitMs))
        problems += "StopExtractions timed out; ";
    const ULONGLONG took = GetTickCount64() - asked;
    worker.join();
    CloseHandle(handler.reached);
    if (result != 0)
        problems += "result " + std::to_string(result) + " (the stop came too late?); ";
    if (handler.last == 100)
        problems += "100 was raised; ";
    std::fprintf(stderr, "stop took %llu ms\n", static_cast<unsigned long long>(took));
    return problems + InstallationDifferences(target, old);
}

TEST(ZipStopWhileBothThreadsRun, EndsPromptlyAndLeavesTheOldInstallation) {
    EXPECT_EXIT(Verdict(StopWhileBothThreadsRun()), ExitedWithCode(0), "stop verdict: ok");
}

std::string ExtractAfterAStop() {
    ScratchDir scratch;
    std::string problems = StopExtractions(kStopWaitMs) ? "" : "StopExtractions failed; ";
    ProgressLog log;
    int result =
        ExtractZip(FixturePath("payload.zip"), scratch / "target", &ProgressLog::Record, &log);
    if (result != 0 || !log.values.empty())
        problems += "it ran; ";
    if (!ListTree(scratch.path()).empty())
        problems += "something was written; ";
    return problems;
}

TEST(ZipStopBefore, AnExtractionStartedAfterAStopFailsAtOnceWritingNothing) {
    EXPECT_EXIT(Verdict(ExtractAfterAStop()), ExitedWithCode(0), "stop verdict: ok");
}

// The installer's completion runs inside the final event and ends the program, whose way
// out stops the extractions: the extraction that raised it must not be waited for.
struct CompletingHandler {
    HWND window;
    static void OnProgress(void* context, int percent) {
        if (percent == 100)
            SendMessageA(static_cast<CompletingHandler*>(context)->window, kStopFromHandler, 0, 0);
    }
};

std::atomic<int> gStopAtCompletion{-1};

LRESULT CALLBACK StoppingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStopFromHandler) {
        gStopAtCompletion = StopExtractions(kStopWaitMs) ? 1 : 0;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::string StopFromTheFinalEvent() {
    ScratchDir scratch;
    WNDCLASSA type{};
    type.lpfnWndProc = StoppingWindowProc;
    type.lpszClassName = "ZipStopTestWindow";
    RegisterClassA(&type);
    CompletingHandler handler{CreateWindowExA(0, type.lpszClassName, "", 0, 0, 0, 0, 0,
                                              HWND_MESSAGE, nullptr, nullptr, nullptr)};
    std::atomic<int> result{-2};
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const std::string target = scratch / "target";
    std::thread worker([&] {
        result = ExtractZip(FixturePath("payload.zip"), target, &CompletingHandler::OnProgress,
                            &handler);
        SetEvent(done);
    });
    std::string problems = WaitDelivering(done, 20000) ? "" : "the extraction did not end; ";
    worker.join();
    CloseHandle(done);
    if (result != 1)
        problems += "result " + std::to_string(result) + "; ";
    if (gStopAtCompletion != 1)
        problems += "the stop at completion waited for it; ";
    return problems + PayloadDifferences(target);
}

TEST(ZipStopAtCompletion, DoesNotWaitForTheExtractionThatRaised100) {
    EXPECT_EXIT(Verdict(StopFromTheFinalEvent()), ExitedWithCode(0), "stop verdict: ok");
}

} // namespace
