#include <objbase.h>

#include <thread>

#include "assets/embedded.h"
#include "install/finish.h"
#include "install/messages.h"
#include "tests/flow/flow_fixture.h"

using namespace windriver;

namespace {

class Completion : public InstallFlow {
protected:
    void SetUp() override {
        InstallFlow::SetUp();
        CoInitialize(nullptr); // the worker's thread has COM when the handler runs
    }
    void TearDown() override {
        CoUninitialize();
        InstallFlow::TearDown();
    }

    // The product where the completion looks for it, in a folder with spaces.
    void PlaceProduct() {
        installDir = scratch / "Program Files\\Quillmere";
        ASSERT_TRUE(CreateDirectoryA((scratch / "Program Files").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(installDir.c_str(), nullptr));
        ASSERT_TRUE(
            CopyFileA(BuiltProductExe().c_str(), (installDir + "\\Quillmere.exe").c_str(), FALSE));
        SetInstallDir(installDir);
    }

    // The worker's staged archive, held as the worker holds it, and someone else's
    // tool.zip at the other staging path.
    void StageWithAStrangersFileBeside() const {
        const uint8_t ours[] = {'P', 'K', 3, 4};
        StagedArchive = StagedFile::Write(PrimaryStaged(), ours);
        ASSERT_TRUE(StagedArchive);
        WriteAll(FallbackStaged(), kStrangersBytes);
    }
    static constexpr char kStrangersBytes[] = "someone else's archive";
};

TEST_F(Completion, ReportsBelowHundredOnlyMoveTheBar) {
    for (int percent : {0, 9, 18, 27, 36, 45, 54, 63, 72, 81, 90, 99}) {
        gFake.calls.clear();
        EXPECT_EQ(RunUntilExit([&] { OnExtractionProgress(percent); }), kReturned) << percent;
        const Call set = Call::Set(进度条1, kPropPosition, percent);
        EXPECT_EQ(gFake.calls, (std::vector<Call>{set, set})) << percent;
    }
}

TEST_F(Completion, PositionScalesWithTheBarsMaximumAndTruncates) {
    const struct {
        long long maximum;
        int percent;
        long long position;
    } cases[] = {{100, 45, 45}, {200, 50, 100}, {33, 9, 2}, {1000, 99, 990}, {0, 50, 0}};
    for (const auto& c : cases) {
        gFake.properties[{进度条1, kPropMaximum}].number = c.maximum;
        gFake.calls.clear();
        OnExtractionProgress(c.percent);
        EXPECT_EQ(gFake.NumbersSet(进度条1, kPropPosition),
                  (std::vector<long long>{c.percent, c.position}))
            << c.maximum << " " << c.percent;
    }
}

TEST_F(Completion, HundredAnsweredNoFinishesWithoutStarting) {
    PlaceProduct();
    StageWithAStrangersFileBeside();
    gFake.answers = {kAnswerNo};
    EXPECT_EQ(RunUntilExit([] { OnExtractionProgress(100); }), 0);

    const size_t pictureSize = CompletionPicture.length;
    const std::vector<Call> expected = {
        Call::Set(进度条1, kPropPosition, 100),
        Call::Set(进度条1, kPropPosition, 100),
        Call::SetPicture(图形按钮1, kPropNormalPicture, pictureSize),
        Call::SetPicture(图形按钮1, kPropHoverPicture, pictureSize),
        Call::Set(标签_日志, kPropCaption, kShortcutDoneLog),
        Call::Box(kCompletionQuestion, 68, kCompletionTitle),
        Call::Set(进度条1, kPropVisible, 0),
        Call::Exit(0),
    };
    EXPECT_EQ(gFake.calls, expected);
    EXPECT_FALSE(FileExists(PrimaryStaged()));
    const std::string strangers(kStrangersBytes);
    EXPECT_EQ(ReadAll(FallbackStaged()), std::vector<uint8_t>(strangers.begin(), strangers.end()))
        << "only the file this run staged is deleted";
    EXPECT_TRUE(FileExists(DesktopShortcut()));
    Sleep(300);
    EXPECT_TRUE(ProcessIdsNamed("Quillmere.exe").empty());
}

// "...\Program.exe" beside "...\Program Files" is what Windows would start for an
// unquoted command line: only the product may start.
TEST_F(Completion, HundredAnsweredYesStartsTheProductNotADecoyAtAPrefixOfItsPath) {
    PlaceProduct();
    const std::string decoy = scratch / "Program.exe";
    ASSERT_TRUE(CopyFileA(BuiltProductExe().c_str(), decoy.c_str(), FALSE));
    gFake.answers = {kAnswerYes};
    EXPECT_EQ(RunUntilExit([] { OnExtractionProgress(100); }), 0);
    EXPECT_TRUE(WaitUntil([] { return !ProcessIdsNamed("Quillmere.exe").empty(); }, 5000));
    EXPECT_TRUE(ProcessIdsNamed("Program.exe").empty());
    TerminateProcessesNamed("Program.exe");
    EXPECT_EQ(gFake.calls.back(), Call::Exit(0));
}

TEST_F(Completion, ShortcutFailureIsReportedAndTheQuestionStillAsked) {
    // On a thread without COM the shell link object cannot be created.
    gFake.answers = {kAnswerNo};
    int code = -1;
    std::thread([&] { code = RunUntilExit([] { OnExtractionProgress(100); }); }).join();
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(gFake.Made(Call::Set(标签_日志, kPropCaption, kShortcutFailedLog)));
    EXPECT_EQ(QuestionsAsked(), 1u);
}

} // namespace
