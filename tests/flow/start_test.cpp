#include "install/messages.h"
#include "install/start.h"
#include "install/worker.h"
#include "tests/flow/flow_fixture.h"
#include "ui/chooser.h"

namespace {

using Click = InstallFlow;

const std::string kNoticeLine = std::string("box 0 [<default>] ") + kNoticeText;

TEST_F(Click, NoticeThenExactlyOneWorker) {
    OnInstallClicked();
    EXPECT_EQ(gFake.log, (std::vector<std::string>{kNoticeLine, "thread"}));
    EXPECT_EQ(gFake.pendingThread, &InstallThreadEntry);
    EXPECT_TRUE(InstallRunning);
}

TEST_F(Click, NothingHappensWhileAnInstallationRuns) {
    OnInstallClicked();
    gFake.log.clear();
    OnInstallClicked();
    OnInstallDirPressed(5, 5, 1); // would open the folder dialog otherwise
    EXPECT_TRUE(gFake.log.empty());
}

TEST_F(Click, AThreadThatCannotStartLeavesTheButtonUsable) {
    gFake.threadsStart = false;
    OnInstallClicked();
    EXPECT_FALSE(InstallRunning);
    gFake.log.clear();
    gFake.threadsStart = true;
    OnInstallClicked();
    EXPECT_EQ(gFake.log, (std::vector<std::string>{kNoticeLine, "thread"}));
}

TEST_F(Click, RefusesWhileTheProductRunsUnderAnyAsciiCase) {
    RunningCopy product(scratch.path(), "QUILLMERE.EXE");
    ASSERT_TRUE(product.started());
    OnInstallClicked();
    const std::string box =
        std::string("box 0 [Quillmere") + kProductRunningTitleSuffix + "] " + kProductRunningText;
    EXPECT_EQ(gFake.log, (std::vector<std::string>{box}));
    EXPECT_FALSE(InstallRunning);
}

TEST_F(Click, AnotherFileNameDoesNotCount) {
    RunningCopy other(scratch.path(), "Quillmere.exe.bak");
    ASSERT_TRUE(other.started());
    OnInstallClicked();
    EXPECT_EQ(gFake.log, (std::vector<std::string>{kNoticeLine, "thread"}));
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
