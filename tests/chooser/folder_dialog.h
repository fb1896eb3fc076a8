#pragma once
// The system's folder dialog of another process, driven from outside. Its tree is walked
// and selected with tree-view messages; an item's text can only be read into memory of
// the dialog's own process, so a small block is borrowed there for that.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/scoped_win.h"
#include "tools/driver/window.h"

// A block of memory inside another process, released on destruction.
class RemoteMemory {
public:
    RemoteMemory(DWORD pid, size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool ok() const { return address_ != nullptr; }
    char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(size_t offset, const void* bytes, size_t size) const;
    bool Read(size_t offset, void* bytes, size_t size) const;

private:
    UniqueHandle process_;
    void* address_ = nullptr;
};

class FolderDialog {
public:
    // The shown folder dialog of the process: a dialog box holding a folder tree.
    static HWND Find(DWORD pid);
    // Waits for it; null when none opens in time or its process cannot be reached.
    static std::unique_ptr<FolderDialog> WaitFor(DWORD pid, int timeoutMs);

    HWND window() const { return window_; }
    HWND tree() const { return tree_; }

    HTREEITEM Root() const;
    HTREEITEM Selected() const;
    HTREEITEM NextSibling(HTREEITEM item) const;
    // Expands the item first, so that the dialog fills in its children.
    std::vector<HTREEITEM> Children(HTREEITEM parent) const;
    std::wstring Text(HTREEITEM item) const;
    // The child shown exactly as `name`, or null.
    HTREEITEM ChildNamed(HTREEITEM parent, const std::wstring& name) const;
    // Follows names down from the root; null as soon as one is missing.
    HTREEITEM Path(const std::vector<std::wstring>& names) const;
    // The child of the root that holds the drives ("My Computer", however it is called):
    // found by what it contains, not by its localised name.
    HTREEITEM Computer() const;
    // The drive item under Computer() whose text ends in "(X:)".
    HTREEITEM Drive(char letter) const;
    // Makes the item the tree's selection, as a click on it would.
    bool Select(HTREEITEM item) const;
    // Names of the items under `parent`, for failure messages.
    std::string Listing(HTREEITEM parent) const;

    std::string EditText() const;
    bool ButtonEnabled(int id) const;
    // Presses OK (1) or Cancel (2) and waits until the dialog is gone.
    bool Close(int id, windriver::Press how, int timeoutMs) const;
    // Brings the dialog to the front, types Esc into it and waits until it is gone.
    bool CloseWithEscape(int timeoutMs) const;

private:
    // Only WaitFor makes one.
    struct Found {
        explicit Found() = default;
    };

public:
    FolderDialog(Found, HWND window, HWND tree, DWORD pid);

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;

    HWND window_;
    HWND tree_;
    RemoteMemory memory_;
};
