#include "tests/e2e/setup_fixture.h"

#include <objbase.h>

#include <algorithm>
#include <optional>
#include <set>

#include "tests/support/product_process.h"

using namespace windriver;

namespace {
std::string DefaultTempStaged() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "tool.zip";
}
} // namespace

std::string SetupExe() {
    return WindowsPath(SETUP_EXE);
}

std::string PicturePath(const char* file) {
    return WindowsPath(std::string(PICTURES_DIR) + "/" + file);
}

void PrintTo(const RunningCase& c, std::ostream* out) {
    *out << c.name;
}

void SetupTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    RemoveLeftovers();
    tempDir = scratch / "temp";
    ASSERT_TRUE(CreateDirectoryA(tempDir.c_str(), nullptr)) << tempDir;
    // A pointer left over the install button by an earlier test would show its hover
    // picture; park it where no window is.
    MoveMouseTo(POINT{2, 2});
}

void SetupTest::TearDown() {
    setup.Terminate();
    RemoveLeftovers();
    CoUninitialize();
}

void SetupTest::RemoveLeftovers() {
    TerminateProcessesNamed("setup.exe");
    TerminateProcessesNamed(kProductExe);
    RemoveTree(kInstallDirOnC);
    RemoveDirectoryA(kVendorDirOnC);
    DeleteFileA(DesktopShortcut(kProductName).c_str());
    DeleteFileA("C:\\tool.zip");
    DeleteFileA(DefaultTempStaged().c_str());
}

void SetupTest::Launch(const std::string& tempFolder) {
    setup = Process::Start(SetupExe(), {{"TMP", tempFolder}, {"TEMP", tempFolder}});
    ASSERT_TRUE(setup.started()) << setup.error();
    std::string problem;
    const auto found = FindSetupWindow(setup.pid(), kStartMs, &problem);
    ASSERT_TRUE(found.has_value()) << problem;
    ui = *found;
    ASSERT_FALSE(ui.InstallDirText().empty()) << "no default install directory";
}

void SetupTest::ClickInstall() const {
    PostClick(ui.installButton, ClientCentre(ui.installButton));
}

void SetupTest::ConfirmNotice() {
    const auto notice = WaitForMessageBox(setup.pid(), kBoxMs);
    ASSERT_TRUE(notice.has_value()) << "no box after the click";
    ASSERT_EQ(notice->title, kDefaultBoxTitle) << notice->text;
    EXPECT_EQ(notice->text, kNoticeText);
    EXPECT_EQ(notice->buttons, std::vector<int>{IDOK});
    ASSERT_NO_FATAL_FAILURE(Answer(*notice, IDOK));
}

MessageBoxInfo SetupTest::WaitForQuestion(ProgressSeen* seen) {
    std::optional<MessageBoxInfo> box;
    WaitUntil(
        [&] {
            if (seen) {
                const std::string step = ui.StepText();
                if (seen->steps.empty() || seen->steps.back() != step)
                    seen->steps.push_back(step);
                const int position = ui.BarShown() ? ui.BarPosition() : -1;
                if (position >= 0 &&
                    (seen->positions.empty() || seen->positions.back() != position))
                    seen->positions.push_back(position);
            }
            const auto boxes = Boxes();
            if (!boxes.empty())
                box = boxes.front();
            return box.has_value() || !setup.Running();
        },
        kInstallMs, 10);
    if (!box) {
        ADD_FAILURE() << "no box by the end of the installation; step label \"" << ui.StepText()
                      << "\"";
        return {};
    }
    EXPECT_EQ(box->title, kQuestionTitle) << box->text;
    EXPECT_EQ(box->text, kQuestionText);
    EXPECT_EQ(box->buttons, (std::vector<int>{IDYES, IDNO}));
    return *box;
}

void SetupTest::Answer(const MessageBoxInfo& box, int id) {
    ASSERT_TRUE(PressDialogButton(box.hwnd, id))
        << "box \"" << box.title << "\" has no button " << id;
    ASSERT_TRUE(
        WaitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }, kBoxMs))
        << "box \"" << box.title << "\" still open";
}

void SetupTest::ExpectExitCode(DWORD expected) {
    const auto code = setup.WaitForExit(kExitMs);
    ASSERT_TRUE(code.has_value()) << "setup.exe is still running";
    EXPECT_EQ(*code, expected);
}

void SetupTest::InstallAndAnswer(const std::string& dir, int answer) {
    ASSERT_EQ(ui.InstallDirText(), dir);
    ClickInstall();
    const auto notice = WaitForMessageBox(setup.pid(), kBoxMs);
    ASSERT_TRUE(notice.has_value());
    EXPECT_FALSE(FileExists(StagedInTemp())) << "nothing is staged before the notice is dismissed";
    EXPECT_EQ(ui.StepText(), "");
    ASSERT_NO_FATAL_FAILURE(ConfirmNotice());

    ProgressSeen seen;
    const MessageBoxInfo question = WaitForQuestion(&seen);
    ASSERT_NE(question.hwnd, nullptr);
    // The question comes after everything but the clean-up.
    ExpectStepsInOrder(seen.steps);
    ExpectPositionsInOrder(seen.positions);
    EXPECT_EQ(ui.StepText(), kShortcutDoneStep);
    EXPECT_TRUE(ui.BarShown());
    EXPECT_EQ(ui.BarPosition(), 100);
    EXPECT_TRUE(FileExists(StagedInTemp())) << "staged in the temporary folder";
    EXPECT_FALSE(FileExists("C:\\tool.zip")) << "nothing staged at the drive root";
    ExpectCompletionPicture(question);
    EXPECT_TRUE(ProcessIdsNamed(kProductExe).empty()) << "nothing starts before the answer";

    ASSERT_NO_FATAL_FAILURE(Answer(question, answer));
    ExpectExitCode(0);
    const std::string exe = dir + "\\" + kProductExe;
    if (answer == IDYES) {
        std::vector<DWORD> products;
        ASSERT_TRUE(
            WaitUntil([&] { return !(products = ProcessIdsNamed(kProductExe)).empty(); }, kStartMs))
            << "the product was not started";
        ASSERT_EQ(products.size(), 1u);
        EXPECT_TRUE(SameIgnoringAsciiCase(ProcessImagePath(products[0]), exe))
            << ProcessImagePath(products[0]) << " instead of " << exe;
        EXPECT_NE(WaitForTopLevel(products[0], nullptr, kProductName, kStartMs), nullptr)
            << "the product shows its window";
    } else {
        EXPECT_TRUE(ProcessIdsNamed(kProductExe).empty()) << "No starts nothing";
    }
    ExpectNoStagedArchive();
    ExpectPayloadInstalled(dir);
    ExpectShortcutToInstalledProduct(dir);
}

void SetupTest::ClickWhileRunningAs(const std::string& exeName, bool refused) {
    RunningCopy product(scratch.path(), exeName);
    ASSERT_TRUE(product.started()) << exeName;
    ASSERT_NO_FATAL_FAILURE(Launch());
    ClickInstall();

    const auto box = WaitForMessageBox(setup.pid(), kBoxMs);
    ASSERT_TRUE(box.has_value());
    if (!refused) {
        EXPECT_EQ(box->title, kDefaultBoxTitle);
        EXPECT_EQ(box->text, kNoticeText);
        return;
    }
    EXPECT_EQ(box->title, kRunningTitle);
    EXPECT_EQ(box->text, kRunningText);
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    ASSERT_NO_FATAL_FAILURE(Answer(*box, IDOK));
    EXPECT_TRUE(HoldsFor(
        [&] {
            return setup.Running() && NoBoxes() && ui.StepText().empty() && !ui.BarShown() &&
                   !FileExists(StagedInTemp()) && !DirExists(kInstallDirOnC);
        },
        kQuietMs))
        << "no notice and no worker";

    // Once the product is closed, the same window installs.
    TerminateProcessesNamed(exeName);
    ClickInstall();
    const auto notice = WaitForMessageBox(setup.pid(), kBoxMs);
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(notice->text, kNoticeText);
}

void SetupTest::ExpectPayloadInstalled(const std::string& dir) const {
    ::ExpectPayloadInstalled(dir, PAYLOAD_MANIFEST, kPayloadEntries);
}

void SetupTest::ExpectShortcutToInstalledProduct(const std::string& dir) const {
    const std::string link = DesktopShortcut(kProductName);
    ASSERT_TRUE(FileExists(link)) << link;
    const std::string target = ShortcutTarget(link);
    const std::string exe = dir + "\\" + kProductExe;
    EXPECT_TRUE(SameIgnoringAsciiCase(target, exe)) << target << " instead of " << exe;
}

void SetupTest::ExpectNoStagedArchive() const {
    EXPECT_FALSE(FileExists(StagedInTemp())) << StagedInTemp();
    EXPECT_FALSE(FileExists("C:\\tool.zip"));
}

void SetupTest::ExpectStepsInOrder(const std::vector<std::string>& seen) {
    const std::vector<std::string> order = {"", kStagingStep, kExtractingStep, kShortcutDoneStep};
    auto next = order.begin();
    for (const auto& step : seen) {
        next = std::find(next, order.end(), step);
        if (next == order.end()) {
            ADD_FAILURE() << "step text \"" << step << "\" unknown or out of order";
            return;
        }
        ++next;
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), kShortcutDoneStep);
}

void SetupTest::ExpectPositionsInOrder(const std::vector<int>& seen) {
    // After entry i of n the bar shows the whole percent done before it, (i / n) * 100
    // truncated; 100 once the archive is closed.
    std::set<int> steps = {100};
    for (size_t done = 0; done < kPayloadEntries; ++done)
        steps.insert(static_cast<int>(static_cast<double>(done) /
                                      static_cast<double>(kPayloadEntries) * 100.0));
    int last = -1;
    for (int position : seen) {
        EXPECT_TRUE(steps.contains(position))
            << position << " is no step of a " << kPayloadEntries << "-entry archive";
        EXPECT_GT(position, last) << "the bar went back";
        last = position;
    }
    EXPECT_EQ(last, 100);
}

void SetupTest::ExpectCompletionPicture(const MessageBoxInfo& question) const {
    const Image completion = LoadPictureFile(PicturePath("completion.jpg"));
    const Image normal = LoadPictureFile(PicturePath("install_normal.jpg"));
    ASSERT_FALSE(completion.empty());
    ASSERT_FALSE(normal.empty());
    ASSERT_TRUE(MoveTopLevel(question.hwnd, POINT{0, 0}));
    // The shown bar covers the bottom 8 rows of the button.
    const RECT face = MakeRect(0, 0, 220, 72);
    auto shown = [&] { return CaptureScreen(Describe(ui.installButton).screen).Crop(face); };
    EXPECT_TRUE(WaitUntil([&] { return ShareDifferent(shown(), completion.Crop(face), 40) < 0.02; },
                          kBoxMs))
        << "button differs from the completion picture in "
        << ShareDifferent(shown(), completion.Crop(face), 40) * 100 << "% of pixels";
    EXPECT_GT(ShareDifferent(shown(), normal.Crop(face), 40), 0.02) << "still the install picture";
}
