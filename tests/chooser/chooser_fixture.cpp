#include "tests/chooser/chooser_fixture.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>

using namespace windriver;

namespace {
constexpr UINT kSendMs = 10000;

std::string StagedInTemp(const std::string& tempDir) {
    return tempDir + "\\tool.zip";
}
} // namespace

const char* CancelText(CancelBy how) {
    switch (how) {
    case CancelBy::Button:
        return "Cancel clicked";
    case CancelBy::Command:
        return "cancel command";
    case CancelBy::Escape:
        return "Esc typed";
    }
    return "?";
}

std::string SetupExe() {
    std::string path = SETUP_EXE;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::wstring DesktopDirW() {
    wchar_t desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
    return desktop;
}

// ---- fixture ------------------------------------------------------------------------------

void ChooserTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    RemoveLeftovers();
    tempDir_ = scratch_ / "temp";
    ASSERT_TRUE(CreateDirectoryA(tempDir_.c_str(), nullptr)) << tempDir_;
    for (const std::string& folder :
         {OnDesktop(kChineseFolder), OnDesktop(kChineseFolder) + "\\" + kDeeperFolder,
          OnDesktop(kSpacedFolder)})
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    const std::wstring unspellable = DesktopDirW() + L"\\" + kUnspellableFolder;
    ASSERT_TRUE(CreateDirectoryW(unspellable.c_str(), nullptr));
}

void ChooserTest::TearDown() {
    setup_.Terminate();
    RemoveLeftovers();
    RemoveDefaultInstallIfNew();
    CoUninitialize();
}

void ChooserTest::RemoveLeftovers() {
    TerminateProcessesNamed("setup.exe");
    TerminateProcessesNamed(kProductExe);
    RemoveTree(OnDesktop(kChineseFolder));
    RemoveTree(OnDesktop(kSpacedFolder));
    RemoveDirectoryW((DesktopDirW() + L"\\" + kUnspellableFolder).c_str());
    DeleteFileA(DesktopShortcut(kProductName).c_str());
    DeleteFileA("C:\\tool.zip");
}

void ChooserTest::RemoveDefaultInstallIfNew() const {
    if (initialCaption_.empty() || defaultExisted_ || !DirExists(initialCaption_))
        return;
    RemoveTree(initialCaption_);
    // Its vendor folder, made for it, goes too when nothing else is in it.
    const size_t slash = initialCaption_.rfind('\\');
    if (slash != std::string::npos && slash > 2)
        RemoveDirectoryA(initialCaption_.substr(0, slash).c_str());
}

void ChooserTest::Launch() {
    setup_ = Process::Start(SetupExe(), {{"TMP", tempDir_}, {"TEMP", tempDir_}});
    ASSERT_TRUE(setup_.started()) << setup_.error();
    main_ = WaitForTopLevel(setup_.pid(), nullptr, kMainTitle, kStartMs);
    ASSERT_NE(main_, nullptr) << "no visible window titled " << kMainTitle;
    const HWND panel = GetDlgItem(main_, kPanelId);
    ASSERT_NE(panel, nullptr) << DumpChildren(main_);
    installDir_ = GetDlgItem(panel, kInstallDirId);
    installButton_ = GetDlgItem(panel, kInstallButtonId);
    ASSERT_NE(installDir_, nullptr) << DumpChildren(panel);
    ASSERT_NE(installButton_, nullptr) << DumpChildren(panel);
    initialCaption_ = Caption();
    ASSERT_FALSE(initialCaption_.empty()) << "no default install directory";
    defaultExisted_ = DirExists(initialCaption_);
}

void ChooserTest::PressInstallDir() const {
    PostMouse(installDir_, WM_LBUTTONDOWN, POINT{5, 5}, MK_LBUTTON);
}

std::unique_ptr<FolderDialog> ChooserTest::OpenChooser() const {
    PressInstallDir();
    auto dialog = FolderDialog::WaitFor(setup_.pid(), kDialogMs);
    if (!dialog)
        ADD_FAILURE() << "no folder dialog after a press on the install directory";
    return dialog;
}

void ChooserTest::CloseChooser(const FolderDialog& dialog, int id, Press how) const {
    ASSERT_TRUE(dialog.Close(id, how, kDialogMs)) << "the dialog did not close on button " << id;
    WaitForTheChooserToEnd();
}

void ChooserTest::CancelChooser(const FolderDialog& dialog, CancelBy how) const {
    switch (how) {
    case CancelBy::Button:
        return CloseChooser(dialog, IDCANCEL, Press::Click);
    case CancelBy::Command:
        return CloseChooser(dialog, IDCANCEL, Press::Command);
    case CancelBy::Escape:
        ASSERT_TRUE(dialog.CloseWithEscape(kDialogMs)) << "the dialog did not close on Esc";
        return WaitForTheChooserToEnd();
    }
}

void ChooserTest::WaitForTheChooserToEnd() const {
    ASSERT_TRUE(WaitUntil([&] { return MainEnabled(); }, kDialogMs))
        << "the main window stays disabled after the dialog";
    // The caption is written after the dialog has gone, still inside the press. The GUI
    // thread answers a message of ours only once it is back in its message loop.
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendMs, &ignored))
        << "setup.exe's GUI thread does not answer";
}

void ChooserTest::ChooseFromDesktop(const std::vector<std::string>& names) const {
    const auto dialog = OpenChooser();
    ASSERT_NE(dialog, nullptr);
    std::vector<std::wstring> wide;
    for (const auto& name : names)
        wide.push_back(Wide(name));
    const HTREEITEM item = dialog->Path(wide);
    ASSERT_NE(item, nullptr) << "not in the tree; the desktop holds:\n"
                             << dialog->Listing(dialog->Root());
    ASSERT_TRUE(dialog->Select(item));
    // The dialog shows the name of what it will hand back.
    ASSERT_TRUE(WaitUntil([&] { return dialog->EditText() == names.back(); }, kDialogMs))
        << "the dialog shows \"" << dialog->EditText() << "\"";
    ASSERT_TRUE(dialog->ButtonEnabled(IDOK));
    ASSERT_NO_FATAL_FAILURE(CloseChooser(*dialog, IDOK));
}

MessageBoxInfo ChooserTest::InstallUpToTheQuestion() {
    PostClick(installButton_, ClientCentre(installButton_));
    const auto notice = WaitForMessageBox(setup_.pid(), kDialogMs);
    if (!notice) {
        ADD_FAILURE() << "no notice after the click on the install button";
        return {};
    }
    EXPECT_EQ(notice->title, kNoticeTitle) << notice->text;
    Answer(*notice, IDOK);
    std::optional<MessageBoxInfo> question;
    WaitUntil(
        [&] {
            // The notice is gone, so any box now is the worker's.
            for (auto& box : MessageBoxes(setup_.pid())) {
                question = box;
                return true;
            }
            return !setup_.Running();
        },
        kInstallMs);
    if (!question) {
        ADD_FAILURE() << "no question by the end of the installation";
        return {};
    }
    EXPECT_EQ(question->title, kQuestionTitle) << question->text;
    return *question;
}

void ChooserTest::Answer(const MessageBoxInfo& box, int id) const {
    ASSERT_TRUE(PressDialogButton(box.hwnd, id)) << "\"" << box.title << "\" has no button " << id;
    ASSERT_TRUE(
        WaitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }, kDialogMs))
        << "\"" << box.title << "\" stays open";
}

void ChooserTest::ExpectExitCode(DWORD expected) const {
    const auto code = setup_.WaitForExit(kExitMs);
    ASSERT_TRUE(code.has_value()) << "setup.exe is still running";
    EXPECT_EQ(*code, expected);
}

void ChooserTest::ExpectShortcutTo(const std::string& exe) const {
    const std::string link = DesktopShortcut(kProductName);
    ASSERT_TRUE(FileExists(link)) << link;
    const std::string target = ShortcutTarget(link);
    EXPECT_TRUE(SameIgnoringAsciiCase(target, exe)) << target << " instead of " << exe;
}

void ChooserTest::ExpectNoStagedArchive() const {
    EXPECT_FALSE(FileExists(StagedInTemp(tempDir_))) << StagedInTemp(tempDir_);
    EXPECT_FALSE(FileExists("C:\\tool.zip"));
}
