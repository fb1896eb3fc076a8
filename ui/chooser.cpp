#include "ui/chooser.h"

#include <windows.h>
#include <shlobj.h>

#include "core/globals.h"
#include "platform/os/code_page.h"
#include "platform/os/system_library.h"
#include "platform/runtime/runtime.h"
#include "ui/main_window.h"

namespace {
constexpr const char* kChooserTitle = "请选择安装位置";
// Only file-system folders, in the resizable dialog with an edit box for a typed folder
// and its button for a new folder (0x77).
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT |
                              BIF_EDITBOX | BIF_VALIDATE | BIF_NEWDIALOGSTYLE;
static_assert(kBrowseFlags == 0x77);
constexpr size_t kNameBufferChars = 260;
constexpr size_t kDriveRootLength = 3;

// The wide dialog: the ANSI one under Wine copies an uninitialised buffer of its own
// into the display name when cancelled, while the wide one leaves ours alone. Its texts
// are turned into the ANSI code page as the ANSI dialog does on Windows.
using GetFolderLocationFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, PIDLIST_ABSOLUTE*);
using BrowseForFolderFn = PIDLIST_ABSOLUTE(WINAPI*)(BROWSEINFOW*);
using GetPathFromIdListFn = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPWSTR);
using TaskMemFreeFn = void(WINAPI*)(void*);

struct ShellFunctions {
    GetFolderLocationFn getFolderLocation =
        SystemFunction<GetFolderLocationFn>("shell32.dll", "SHGetFolderLocation");
    BrowseForFolderFn browseForFolder =
        SystemFunction<BrowseForFolderFn>("shell32.dll", "SHBrowseForFolderW");
    GetPathFromIdListFn getPathFromIdList =
        SystemFunction<GetPathFromIdListFn>("shell32.dll", "SHGetPathFromIDListW");
    TaskMemFreeFn taskMemFree = SystemFunction<TaskMemFreeFn>("ole32.dll", "CoTaskMemFree");
};

const ShellFunctions& ShellApi() {
    static const ShellFunctions functions;
    return functions;
}

// 260 spaces and a NUL: what the dialog leaves untouched reads as blank.
std::wstring BlankNameBuffer() {
    return std::wstring(kNameBufferChars, L' ') + L'\0';
}

// The buffer up to its NUL.
std::wstring_view UpToNul(const std::wstring& buffer) {
    return std::wstring_view(buffer.c_str());
}

size_t BlankAt(std::string_view text, size_t pos) {
    if (text[pos] == ' ')
        return 1;
    if (text.substr(pos, 2) == "\xA1\xA1")
        return 2;
    return 0;
}

// A path the code page cannot spell names no folder the installer could write to.
std::optional<Text> PathOfItem(PIDLIST_ABSOLUTE item) {
    std::wstring buffer = BlankNameBuffer();
    if (!ShellApi().getPathFromIdList || !ShellApi().getPathFromIdList(item, buffer.data()))
        return std::nullopt;
    AnsiText path = ToAnsi(UpToNul(buffer));
    if (!path.exact)
        return std::nullopt;
    return std::move(path.text);
}
} // namespace

Text TrimBlanks(std::string_view text) {
    size_t start = std::string_view::npos;
    size_t end = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t blank = BlankAt(text, pos);
        const size_t step = blank ? blank : (static_cast<unsigned char>(text[pos]) >= 0x80 ? 2 : 1);
        if (!blank) {
            if (start == std::string_view::npos)
                start = pos;
            end = pos + step;
        }
        pos += step;
    }
    if (start == std::string_view::npos)
        return {};
    return Text(text.substr(start, (end < text.size() ? end : text.size()) - start));
}

Text DecideChosenFolder(std::string_view displayName, bool gotItem,
                        const std::optional<Text>& itemPath) {
    const Text shown = TrimBlanks(displayName);
    if (shown.find('?') != Text::npos)
        return {};
    if (gotItem) {
        if (!itemPath)
            return {};
        if (itemPath->size() == kDriveRootLength)
            return itemPath->substr(0, 2);
        return *itemPath;
    }
    Text result = Concat({"\\\\", shown});
    if (CompareText(result, "\\\\") == 0)
        return {};
    return result;
}

Text ChooseFolder(void* owner, std::string_view title) {
    const ShellFunctions& shell = ShellApi();
    if (!shell.browseForFolder)
        return {};
    PIDLIST_ABSOLUTE root = nullptr;
    if (shell.getFolderLocation)
        shell.getFolderLocation(static_cast<HWND>(owner), CSIDL_DESKTOP, nullptr, 0, &root);
    std::wstring displayName = BlankNameBuffer();
    const std::wstring wideTitle = ToWide(title);
    BROWSEINFOW info{};
    info.hwndOwner = static_cast<HWND>(owner);
    info.pidlRoot = root;
    info.pszDisplayName = displayName.data();
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = kBrowseFlags;
    PIDLIST_ABSOLUTE item = shell.browseForFolder(&info);
    const std::optional<Text> path = item ? PathOfItem(item) : std::nullopt;
    const Text result =
        DecideChosenFolder(ToAnsi(UpToNul(displayName)).text, item != nullptr, path);
    if (shell.taskMemFree) {
        shell.taskMemFree(item);
        shell.taskMemFree(root);
    }
    return result;
}

void OnInstallDirPressed(int, int, int) {
    // The running installation reads this directory again at its later steps.
    if (InstallRunning)
        return;
    const Text chosen = ChooseFolder(GetWindowHandle(), kChooserTitle);
    if (CompareText(chosen, "") == 0)
        return;
    const Text& name = Element(ProductList, ProductIndex);
    SetControlProperty(标签_安装目录, kPropCaption, Concat({chosen, "\\", name}));
}
