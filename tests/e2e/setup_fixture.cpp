#include "tests/e2e/setup_fixture.h"

#include "tests/support/payload_check.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <optional>
#include <set>

using namespace windriver;

namespace {
std::string WindowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

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

void SetupTest::SetUp() {
    CoInitialize(nullptr);
    RemoveLeftovers();
    tempDir = scratch / "temp";
    CreateDirectoryA(tempDir.c_str(), nullptr);
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
    ui = SetupWindow{};
    ui.window = WaitForTopLevel(setup.pid(), nullptr, kWindowTitle, kStartMs);
    ASSERT_NE(ui.window, nullptr) << "no visible window titled " << kWindowTitle;
    ui.panel = ChildAt(ui.window, MakeRect(0, 0, 250, 400));
    ASSERT_NE(ui.panel, nullptr) << "no 250x400 panel at 0,0 among:\n" << DumpChildren(ui.window);
    ui.title = ChildWithText(ui.panel, kWindowTitle);
    ui.closeMark = ChildWithText(ui.panel, kCloseMark);
    ui.logo = ChildAt(ui.panel, MakeRect(12, 36, 211, 211));
    ui.installButton = ChildAt(ui.panel, MakeRect(14, 255, 220, 80));
    ui.progressBar = ChildOfClass(ui.panel, PROGRESS_CLASSA);
    ui.dirCaption = ChildWithText(ui.panel, kDirCaption);
    ui.stepLabel = ChildAt(ui.panel, MakeRect(79, 344, 160, 24));
    ui.installDir = ChildAt(ui.panel, MakeRect(7, 367, 232, 25));
    const std::pair<HWND, const char*> found[] = {
        {ui.title, "title"},
        {ui.closeMark, "close mark"},
        {ui.logo, "logo"},
        {ui.installButton, "install button"},
        {ui.progressBar, "bar"},
        {ui.dirCaption, "directory caption"},
        {ui.stepLabel, "step label"},
        {ui.installDir, "install directory"},
    };
    for (const auto& [window, what] : found)
        ASSERT_NE(window, nullptr) << "no " << what << " among the panel's children:\n"
                                   << DumpChildren(ui.panel);
}

bool SetupTest::BarShown() const {
    return (GetWindowLongA(ui.progressBar, GWL_STYLE) & WS_VISIBLE) != 0;
}

int SetupTest::BarPosition() const {
    DWORD_PTR position = 0;
    if (!SendMessageTimeoutA(ui.progressBar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &position))
        return -1;
    return static_cast<int>(position);
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
                const std::string step = StepText();
                if (seen->steps.empty() || seen->steps.back() != step)
                    seen->steps.push_back(step);
                const int position = BarShown() ? BarPosition() : -1;
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
        ADD_FAILURE() << "no box by the end of the installation; step label \"" << StepText()
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

void SetupTest::ExpectPayloadInstalled(const std::string& dir) const {
    ::ExpectPayloadInstalled(dir, PAYLOAD_MANIFEST, kPayloadEntries);
}

void SetupTest::ExpectShortcutToInstalledProduct(const std::string& dir) const {
    const std::string link = DesktopShortcut(kProductName);
    ASSERT_TRUE(FileExists(link)) << link;
    const std::string target = ShortcutTarget(link);
    EXPECT_TRUE(SameIgnoringAsciiCase(target, dir + "\\" + kProductExe)) << target;
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
