#include "tests/chooser/chooser_fixture.h"

#include <shlobj.h>

using namespace windriver;

namespace {
constexpr UINT kSendMs = 10000;
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

std::wstring DesktopDirW() {
    wchar_t desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
    return desktop;
}

void ChooserTest::SetUp() {
    ASSERT_NO_FATAL_FAILURE(SetupTest::SetUp());
    RemoveDesktopFolders();
    for (const std::string& folder :
         {OnDesktop(kChineseFolder), OnDesktop(kChineseFolder) + "\\" + kDeeperFolder,
          OnDesktop(kSpacedFolder)})
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    const std::wstring unspellable = DesktopDirW() + L"\\" + kUnspellableFolder;
    ASSERT_TRUE(CreateDirectoryW(unspellable.c_str(), nullptr));
}

void ChooserTest::TearDown() {
    SetupTest::TearDown();
    RemoveDesktopFolders();
}

void ChooserTest::RemoveDesktopFolders() {
    RemoveTree(OnDesktop(kChineseFolder));
    RemoveTree(OnDesktop(kSpacedFolder));
    RemoveDirectoryW((DesktopDirW() + L"\\" + kUnspellableFolder).c_str());
}

void ChooserTest::PressInstallDir() const {
    PostMouse(ui.installDir, WM_LBUTTONDOWN, POINT{5, 5}, MK_LBUTTON);
}

std::unique_ptr<FolderDialog> ChooserTest::OpenChooser() const {
    PressInstallDir();
    auto dialog = FolderDialog::WaitFor(setup.pid(), kDialogMs);
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
    ASSERT_TRUE(SendMessageTimeoutA(ui.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendMs, &ignored))
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
