#include "install/messages.h"
#include "install/process_check.h"
#include "install/start.h"
#include "install/worker.h"
#include "tests/flow/flow_fixture.h"
#include "ui/chooser.h"

#include <optional>

namespace {

using Click = InstallFlow;

const Call kNotice = Call::Box(kNoticeText, 0);
const Call kWorker = Call::Of(Op::StartThread);

TEST_F(Click, NoticeThenExactlyOneWorker) {
    OnInstallClicked();
    EXPECT_EQ(gFake.calls, (std::vector<Call>{kNotice, kWorker}));
    EXPECT_EQ(gFake.pendingThread, &InstallThreadEntry);
    EXPECT_TRUE(InstallRunning);
}

TEST_F(Click, NothingHappensWhileAnInstallationRuns) {
    OnInstallClicked();
    gFake.calls.clear();
    OnInstallClicked();
    OnInstallDirPressed(5, 5, 1); // would open the folder dialog otherwise
    EXPECT_TRUE(gFake.calls.empty());
}

// A click can arrive while a box of the click routine is open: another program or an
// accessibility tool may post it. It must never start a second worker.
TEST_F(Click, AClickWhileItsOwnBoxIsOpenIsIgnored) {
    struct Case {
        const char* what;
        bool productRunning;
    };
    for (const Case& c : {Case{"notice", false}, Case{"product running", true}}) {
        SCOPED_TRACE(c.what);
        std::optional<RunningCopy> product;
        if (c.productRunning) {
            product.emplace(scratch.path(), "Quillmere.exe");
            ASSERT_TRUE(product->started());
        }
        gFake.calls.clear();
        int boxes = 0;
        gFake.onMessageBox = [&](const std::string&) {
            if (++boxes == 1)
                OnInstallClicked();
        };
        OnInstallClicked();
        gFake.onMessageBox = nullptr;
        EXPECT_EQ(boxes, 1);
        EXPECT_EQ(gFake.CallsOf(Op::StartThread).size(), c.productRunning ? 0u : 1u);
        EXPECT_EQ(InstallRunning.load(), !c.productRunning);
        InstallRunning = false;
    }
}

TEST_F(Click, AThreadThatCannotStartLeavesTheButtonUsable) {
    gFake.threadsStart = false;
    OnInstallClicked();
    EXPECT_FALSE(InstallRunning);
    gFake.calls.clear();
    gFake.threadsStart = true;
    OnInstallClicked();
    EXPECT_EQ(gFake.calls, (std::vector<Call>{kNotice, kWorker}));
}

TEST_F(Click, RefusesWhileTheProductRunsUnderAnyAsciiCase) {
    std::optional<RunningCopy> product;
    product.emplace(scratch.path(), "QUILLMERE.EXE");
    ASSERT_TRUE(product->started());
    OnInstallClicked();
    const Call box =
        Call::Box(kProductRunningText, 0, std::string("Quillmere") + kProductRunningTitleSuffix);
    EXPECT_EQ(gFake.calls, (std::vector<Call>{box}));
    EXPECT_FALSE(InstallRunning);
    product.reset();
    gFake.calls.clear();
    OnInstallClicked(); // the refusal gave the installation back
    EXPECT_EQ(gFake.calls, (std::vector<Call>{kNotice, kWorker}));
}

TEST_F(Click, AnotherFileNameDoesNotCount) {
    RunningCopy other(scratch.path(), "Quillmere.exe.bak");
    ASSERT_TRUE(other.started());
    OnInstallClicked();
    EXPECT_EQ(gFake.calls, (std::vector<Call>{kNotice, kWorker}));
}

TEST_F(Click, IsProcessRunningComparesWholeNamesIgnoringAsciiCase) {
    RunningCopy product(scratch.path(), "Quillmere.exe");
    ASSERT_TRUE(product.started());
    const std::pair<const char*, bool> cases[] = {
        {"Quillmere.exe", true},   {"QUILLMERE.EXE", true}, {"quillmere.Exe", true},
        {"Quillmere", false},      {"Quillmere.ex", false}, {"Quillmere.exe ", false},
        {"xQuillmere.exe", false},
    };
    for (const auto& [name, running] : cases)
        EXPECT_EQ(IsProcessRunning(name), running) << name;
}

} // namespace
