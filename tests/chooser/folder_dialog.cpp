#include "tests/chooser/folder_dialog.h"

#include "tools/driver/input.h"
#include "tools/driver/text.h"
#include "tools/driver/wait.h"

using namespace windriver;

namespace {
// Every message to the other process has a bound, so that a hung dialog fails the test
// instead of hanging it.
constexpr UINT kSendMs = 10000;

// Layout of the borrowed block: the item record, then the text it points at.
constexpr size_t kTextOffset = 256;
constexpr int kTextChars = 1024;
constexpr size_t kRemoteSize = kTextOffset + kTextChars * sizeof(wchar_t);
static_assert(sizeof(TVITEMW) <= kTextOffset);

bool IsFolderDialog(HWND window) {
    return IsWindowVisible(window) && ClassName(window) == "#32770" &&
           ChildOfClass(window, WC_TREEVIEWA) != nullptr;
}

bool EndsWith(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}
} // namespace

// ---- RemoteMemory -------------------------------------------------------------------------

RemoteMemory::RemoteMemory(DWORD pid, size_t size)
    : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid)) {
    if (process_)
        address_ =
            VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteMemory::~RemoteMemory() {
    if (address_)
        VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE);
}

bool RemoteMemory::Write(size_t offset, const void* bytes, size_t size) const {
    SIZE_T written = 0;
    return WriteProcessMemory(process_.Get(), at(offset), bytes, size, &written) && written == size;
}

bool RemoteMemory::Read(size_t offset, void* bytes, size_t size) const {
    SIZE_T read = 0;
    return ReadProcessMemory(process_.Get(), at(offset), bytes, size, &read) && read == size;
}

// ---- FolderDialog -------------------------------------------------------------------------

FolderDialog::FolderDialog(Found, HWND window, HWND tree, DWORD pid)
    : window_(window), tree_(tree), memory_(pid, kRemoteSize) {}

HWND FolderDialog::Find(DWORD pid) {
    for (HWND window : TopLevelWindows(pid))
        if (IsFolderDialog(window))
            return window;
    return nullptr;
}

std::unique_ptr<FolderDialog> FolderDialog::WaitFor(DWORD pid, int timeoutMs) {
    HWND window = nullptr;
    if (!WaitUntil([&] { return (window = Find(pid)) != nullptr; }, timeoutMs))
        return nullptr;
    auto dialog =
        std::make_unique<FolderDialog>(Found{}, window, ChildOfClass(window, WC_TREEVIEWA), pid);
    if (!dialog->memory_.ok())
        return nullptr;
    return dialog;
}

LRESULT FolderDialog::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(tree_, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendMs, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

HTREEITEM FolderDialog::Root() const {
    return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

HTREEITEM FolderDialog::Selected() const {
    return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_CARET, 0));
}

HTREEITEM FolderDialog::NextSibling(HTREEITEM item) const {
    return reinterpret_cast<HTREEITEM>(
        Send(TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
}

std::vector<HTREEITEM> FolderDialog::Children(HTREEITEM parent) const {
    std::vector<HTREEITEM> children;
    if (!parent)
        return children;
    Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
    for (auto child = reinterpret_cast<HTREEITEM>(
             Send(TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
         child; child = NextSibling(child))
        children.push_back(child);
    return children;
}

std::wstring FolderDialog::Text(HTREEITEM item) const {
    TVITEMW record{};
    record.mask = TVIF_HANDLE | TVIF_TEXT;
    record.hItem = item;
    record.pszText = reinterpret_cast<wchar_t*>(memory_.at(kTextOffset));
    record.cchTextMax = kTextChars;
    const wchar_t empty = L'\0';
    if (!memory_.Write(0, &record, sizeof record) ||
        !memory_.Write(kTextOffset, &empty, sizeof empty))
        return {};
    if (!Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory_.at(0))))
        return {};
    std::wstring text(kTextChars, L'\0');
    if (!memory_.Read(kTextOffset, text.data(), text.size() * sizeof(wchar_t)))
        return {};
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    return text;
}

HTREEITEM FolderDialog::ChildNamed(HTREEITEM parent, const std::wstring& name) const {
    for (HTREEITEM child : Children(parent))
        if (Text(child) == name)
            return child;
    return nullptr;
}

HTREEITEM FolderDialog::Path(const std::vector<std::wstring>& names) const {
    HTREEITEM item = Root();
    for (const auto& name : names) {
        if (!item)
            return nullptr;
        item = ChildNamed(item, name);
    }
    return item;
}

HTREEITEM FolderDialog::Computer() const {
    for (HTREEITEM child : Children(Root()))
        for (HTREEITEM grandchild : Children(child))
            if (EndsWith(Text(grandchild), L"(C:)"))
                return child;
    return nullptr;
}

HTREEITEM FolderDialog::Drive(char letter) const {
    const std::wstring suffix = std::wstring(L"(") + static_cast<wchar_t>(letter) + L":)";
    for (HTREEITEM drive : Children(Computer()))
        if (EndsWith(Text(drive), suffix))
            return drive;
    return nullptr;
}

bool FolderDialog::Select(HTREEITEM item) const {
    return item && Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) &&
           Selected() == item;
}

std::string FolderDialog::Listing(HTREEITEM parent) const {
    std::string listing;
    for (HTREEITEM child : Children(parent))
        listing += "  \"" + Narrow(Text(child)) + "\"\n";
    return listing;
}

std::string FolderDialog::EditText() const {
    const HWND edit = ChildOfClass(window_, "Edit");
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    if (!edit ||
        !SendMessageTimeoutW(edit, WM_GETTEXT, sizeof text / sizeof text[0],
                             reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kSendMs, &length))
        return {};
    return Narrow(std::wstring(text, length));
}

bool FolderDialog::ButtonEnabled(int id) const {
    const HWND button = GetDlgItem(window_, id);
    return button && IsWindowEnabled(button);
}

bool FolderDialog::Close(int id, Press how, int timeoutMs) const {
    return PressDialogButton(window_, id, how) &&
           WaitUntil([&] { return !IsWindow(window_); }, timeoutMs);
}

bool FolderDialog::CloseWithEscape(int timeoutMs) const {
    return BringToFront(window_) && TypeKey(VK_ESCAPE) &&
           WaitUntil([&] { return !IsWindow(window_); }, timeoutMs);
}
