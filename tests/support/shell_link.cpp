#include "tests/support/shell_link.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>

std::string DesktopDir() {
    char desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
    return desktop;
}

std::string DesktopShortcut(const std::string& productName) {
    return DesktopDir() + "\\" + productName + ".lnk";
}

std::string ShortcutTarget(const std::string& linkFile) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return "<no shell link object>";
    std::string target = "<not loadable>";
    IPersistFile* persist = nullptr;
    wchar_t wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide, MAX_PATH * 2);
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(wide, STGM_READ))) {
        char path[MAX_PATH * 2] = {};
        if (SUCCEEDED(link->GetPath(path, sizeof path, nullptr, SLGP_RAWPATH)))
            target = path;
    }
    if (persist)
        persist->Release();
    link->Release();
    return target;
}

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}
