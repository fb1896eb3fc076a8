#include "install/messages.h"
#include "install/worker.h"
#include "platform/zip/extract.h"
#include "tests/flow/flow_fixture.h"
#include "tests/support/payload_check.h"

namespace {

class Worker : public InstallFlow {
protected:
    void ExpectPayloadInstalled() const {
        ::ExpectPayloadInstalled(installDir, PAYLOAD_MANIFEST, kSamplePayloadEntries);
    }

    std::vector<std::string> StepTexts() const { return gFake.Lines("set 标签_日志[8]"); }
};

TEST_F(Worker, StagesInTheTempDirectoryExtractsAndCompletes) {
    gFake.answers = {kAnswerNo};
    EXPECT_EQ(RunUntilExit(InstallWorker), 0);

    EXPECT_TRUE(gFake.Logged("extract \"" + tempDir + "\\\\tool.zip\" \"" + installDir + "\""));
    EXPECT_EQ(StepTexts(), (std::vector<std::string>{
                               std::string("set 标签_日志[8] \"") + kStagingLog + "\"",
                               std::string("set 标签_日志[8] \"") + kExtractingLog + "\"",
                               std::string("set 标签_日志[8] \"") + kShortcutDoneLog + "\""}));
    ExpectPayloadInstalled();
    EXPECT_FALSE(FileExists(PrimaryStaged())) << "the staged archive is deleted at the end";
    EXPECT_FALSE(FileExists(FallbackStaged())) << "nothing is staged at the drive root";
    EXPECT_TRUE(FileExists(DesktopShortcut()));
    EXPECT_EQ(gFake.log.back(), "exit 0");
}

TEST_F(Worker, ShowsTheBarBeforeTheExtractingText) {
    gFake.answers = {kAnswerNo};
    RunUntilExit(InstallWorker);
    const auto shown = std::find(gFake.log.begin(), gFake.log.end(), "set 进度条1[5] 1");
    const auto text = std::find(gFake.log.begin(), gFake.log.end(),
                                std::string("set 标签_日志[8] \"") + kExtractingLog + "\"");
    ASSERT_NE(shown, gFake.log.end());
    EXPECT_LT(shown, text);
}

TEST_F(Worker, ARetryStartsTheBarFromZero) {
    gFake.properties[{进度条1, kPropPosition}].number = 45; // where a failed run stopped
    gFake.answers = {kAnswerNo};
    RunUntilExit(InstallWorker);
    const auto shown = std::find(gFake.log.begin(), gFake.log.end(), "set 进度条1[5] 1");
    ASSERT_NE(shown, gFake.log.end());
    const auto reset = std::find(gFake.log.begin(), shown, "set 进度条1[13] 0");
    EXPECT_NE(reset, shown) << "the bar is back at 0 before it shows";
}

TEST_F(Worker, FallsBackToTheInstallDriveRootWhenTheTempDirectoryIsRefused) {
    TempDirOverride missing(scratch / "no-such-folder");
    gFake.answers = {kAnswerNo};
    EXPECT_EQ(RunUntilExit(InstallWorker), 0);

    EXPECT_TRUE(gFake.Logged("extract \"C:\\tool.zip\" \"" + installDir + "\""));
    ExpectPayloadInstalled();
    EXPECT_FALSE(FileExists(FallbackStaged()));
}

TEST_F(Worker, BothStagingPathsRefusedEndsAfterTheMessage) {
    TempDirOverride missing(scratch / "no-such-folder");
    SetInstallDir("Q:\\nowhere\\Quillmere"); // no drive Q: in the test prefix
    EXPECT_EQ(RunUntilExit(InstallWorker), 0);

    const std::vector<std::string> expected = {
        std::string("set 标签_日志[8] \"") + kStagingLog + "\"",
        std::string("box 0 [<default>] ") + kStagingFailedText,
        "exit 0",
    };
    EXPECT_EQ(gFake.log, expected) << "no bar, no extraction";
}

TEST_F(Worker, FailedExtractionIsReportedAndLeavesTheWindowUsable) {
    ASSERT_TRUE(CreateDirectoryA((scratch / "target").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(installDir.c_str(), nullptr));
    const std::string locked = installDir + "\\Quillmere.exe";
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    EXPECT_EQ(RunUntilExit(InstallWorker), kReturned)
        << "the worker returns; nothing ends the program";
    CloseHandle(lock);

    EXPECT_EQ(gFake.extractResult, kExtractFailed);
    const std::vector<std::string> tail = {
        "extracted 0",
        "set 进度条1[5] 0",
        std::string("set 标签_日志[8] \"") + kExtractFailedLog + "\"",
        std::string("box 0 [<default>] ") + kExtractFailedText,
    };
    ASSERT_GE(gFake.log.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(gFake.log.end() - 4, gFake.log.end()), tail);
    EXPECT_TRUE(gFake.Lines("box 68").empty()) << "no completion question";
    EXPECT_TRUE(gFake.Lines("set 图形按钮1").empty());
    EXPECT_FALSE(FileExists(PrimaryStaged()));
    EXPECT_FALSE(FileExists(DesktopShortcut()));
}

// -1 is what the component gives when the archive is gone, e.g. removed by an anti-virus
// program: like 0, it is a failure and never a success.
TEST_F(Worker, EveryResultButDoneTakesTheFailurePath) {
    for (int result : {kExtractFailed, kExtractMissing}) {
        SCOPED_TRACE(result);
        gFake.log.clear();
        gFake.forcedExtractResult = result;
        EXPECT_EQ(RunUntilExit(InstallWorker), kReturned);
        const std::vector<std::string> tail = {
            "extracted " + std::to_string(result),
            "set 进度条1[5] 0",
            std::string("set 标签_日志[8] \"") + kExtractFailedLog + "\"",
            std::string("box 0 [<default>] ") + kExtractFailedText,
        };
        ASSERT_GE(gFake.log.size(), tail.size());
        EXPECT_EQ(std::vector<std::string>(gFake.log.end() - 4, gFake.log.end()), tail);
        EXPECT_TRUE(gFake.Lines("box 68").empty()) << "no completion question";
        EXPECT_FALSE(FileExists(PrimaryStaged()));
    }
}

// From its writing to the end of the installation no other handle may change, rename or
// delete the staged archive; reading it stays possible.
TEST_F(Worker, HoldsTheStagedArchiveUntilTheInstallationEnds) {
    std::vector<std::pair<std::string, bool>> seen;
    gFake.onMessageBox = [&](const std::string& text) {
        if (text != kCompletionQuestion)
            return;
        const std::string path = PrimaryStaged();
        HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        seen.emplace_back("write", writer != INVALID_HANDLE_VALUE);
        HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        seen.emplace_back("read", reader != INVALID_HANDLE_VALUE);
        seen.emplace_back("rename", MoveFileA(path.c_str(), (path + ".swapped").c_str()) != 0);
        seen.emplace_back("delete", DeleteFileA(path.c_str()) != 0);
        for (HANDLE h : {writer, reader})
            if (h != INVALID_HANDLE_VALUE)
                CloseHandle(h);
    };
    gFake.answers = {kAnswerNo};
    EXPECT_EQ(RunUntilExit(InstallWorker), 0);
    const std::vector<std::pair<std::string, bool>> expected = {
        {"write", false}, {"read", true}, {"rename", false}, {"delete", false}};
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(FileExists(PrimaryStaged())) << "deleted at the end all the same";
    EXPECT_FALSE(FileExists(PrimaryStaged() + ".swapped"));
}

// A tool.zip with a second name elsewhere would be written through to that other file:
// the temporary folder's path counts as failed and the drive root is used instead.
TEST_F(Worker, DoesNotWriteThroughAHardLinkedToolZip) {
    const std::string other = scratch / "someone-elses.zip";
    WriteAll(other, "keep me");
    ASSERT_TRUE(CreateHardLinkA(PrimaryStaged().c_str(), other.c_str(), nullptr));
    gFake.answers = {kAnswerNo};
    EXPECT_EQ(RunUntilExit(InstallWorker), 0);
    EXPECT_TRUE(gFake.Logged("extract \"C:\\tool.zip\" \"" + installDir + "\""));
    EXPECT_EQ(ReadAll(other), (std::vector<uint8_t>{'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    ExpectPayloadInstalled();
    EXPECT_FALSE(FileExists(FallbackStaged()));
}

TEST_F(Worker, ThreadEntryClearsTheRunningFlagWhenTheWorkerReturns) {
    const std::string fileTarget = scratch / "plain-file"; // no folder can be made there
    WriteAll(fileTarget, "x");
    SetInstallDir(fileTarget);
    InstallRunning = true;
    EXPECT_EQ(RunUntilExit(InstallThreadEntry), kReturned);
    EXPECT_EQ(gFake.extractResult, kExtractFailed);
    EXPECT_FALSE(InstallRunning);
}

} // namespace
