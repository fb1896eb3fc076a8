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

    static std::vector<std::string> StepTexts() { return gFake.TextsSet(标签_日志, kPropCaption); }
    // The last records of a failed extraction: the result, the bar hidden, the step's
    // failure and the message.
    static std::vector<Call> FailureTail(int result) {
        return {Call::Extracted(ZIP压缩1, result), Call::Set(进度条1, kPropVisible, 0),
                Call::Set(标签_日志, kPropCaption, kExtractFailedLog),
                Call::Box(kExtractFailedText, 0)};
    }
    static std::vector<Call> LastCalls(size_t count) {
        const size_t n = std::min(count, gFake.calls.size());
        return std::vector<Call>(gFake.calls.end() - static_cast<ptrdiff_t>(n), gFake.calls.end());
    }
    static auto Find(const Call& call) {
        return std::find(gFake.calls.begin(), gFake.calls.end(), call);
    }
};

TEST_F(Worker, StagesInTheTempDirectoryExtractsAndCompletes) {
    gFake.answers = {kAnswerNo};
    EXPECT_EQ(RunUntilExit(InstallWorker), 0);

    EXPECT_TRUE(gFake.Made(Call::Extract(ZIP压缩1, tempDir + "\\\\tool.zip", installDir)));
    EXPECT_EQ(StepTexts(),
              (std::vector<std::string>{kStagingLog, kExtractingLog, kShortcutDoneLog}));
    ExpectPayloadInstalled();
    EXPECT_FALSE(FileExists(PrimaryStaged())) << "the staged archive is deleted at the end";
    EXPECT_FALSE(FileExists(FallbackStaged())) << "nothing is staged at the drive root";
    EXPECT_TRUE(FileExists(DesktopShortcut()));
    EXPECT_EQ(gFake.calls.back(), Call::Exit(0));
}

TEST_F(Worker, ShowsTheBarBeforeTheExtractingText) {
    gFake.answers = {kAnswerNo};
    RunUntilExit(InstallWorker);
    const auto shown = Find(Call::Set(进度条1, kPropVisible, 1));
    const auto text = Find(Call::Set(标签_日志, kPropCaption, kExtractingLog));
    ASSERT_NE(shown, gFake.calls.end());
    EXPECT_LT(shown, text);
}

TEST_F(Worker, ARetryStartsTheBarFromZero) {
    gFake.properties[{进度条1, kPropPosition}].number = 45; // where a failed run stopped
    gFake.answers = {kAnswerNo};
    RunUntilExit(InstallWorker);
    const auto shown = Find(Call::Set(进度条1, kPropVisible, 1));
    ASSERT_NE(shown, gFake.calls.end());
    const auto reset = std::find(gFake.calls.begin(), shown, Call::Set(进度条1, kPropPosition, 0));
    EXPECT_NE(reset, shown) << "the bar is back at 0 before it shows";
}

TEST_F(Worker, FallsBackToTheInstallDriveRootWhenTheTempDirectoryIsRefused) {
    TempDirOverride missing(scratch / "no-such-folder");
    gFake.answers = {kAnswerNo};
    EXPECT_EQ(RunUntilExit(InstallWorker), 0);

    EXPECT_TRUE(gFake.Made(Call::Extract(ZIP压缩1, "C:\\tool.zip", installDir)));
    ExpectPayloadInstalled();
    EXPECT_FALSE(FileExists(FallbackStaged()));
}

TEST_F(Worker, BothStagingPathsRefusedEndsAfterTheMessage) {
    TempDirOverride missing(scratch / "no-such-folder");
    SetInstallDir("Q:\\nowhere\\Quillmere"); // no drive Q: in the test prefix
    EXPECT_EQ(RunUntilExit(InstallWorker), 0);

    const std::vector<Call> expected = {
        Call::Set(标签_日志, kPropCaption, kStagingLog),
        Call::Box(kStagingFailedText, 0),
        Call::Exit(0),
    };
    EXPECT_EQ(gFake.calls, expected) << "no bar, no extraction";
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
    ASSERT_GE(gFake.calls.size(), 4u);
    EXPECT_EQ(LastCalls(4), FailureTail(0));
    EXPECT_EQ(QuestionsAsked(), 0u) << "no completion question";
    EXPECT_TRUE(gFake.CallsOn(图形按钮1).empty());
    EXPECT_FALSE(FileExists(PrimaryStaged()));
    EXPECT_FALSE(FileExists(DesktopShortcut()));
}

// -1 is what the component gives when the archive is gone, e.g. removed by an anti-virus
// program: like 0, it is a failure and never a success.
TEST_F(Worker, EveryResultButDoneTakesTheFailurePath) {
    for (int result : {kExtractFailed, kExtractMissing}) {
        SCOPED_TRACE(result);
        gFake.calls.clear();
        gFake.forcedExtractResult = result;
        EXPECT_EQ(RunUntilExit(InstallWorker), kReturned);
        ASSERT_GE(gFake.calls.size(), 4u);
        EXPECT_EQ(LastCalls(4), FailureTail(result));
        EXPECT_EQ(QuestionsAsked(), 0u) << "no completion question";
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
    EXPECT_TRUE(gFake.Made(Call::Extract(ZIP压缩1, "C:\\tool.zip", installDir)));
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
