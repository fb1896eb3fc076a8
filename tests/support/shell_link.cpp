#include "tests/support/shell_link.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/scoped_win.h"

std::string DesktopDir() {
    char desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
    return desktop;
}

std::string DesktopShortcut(const std::string& productName) {
    return DesktopDir() + "\\" + productName + ".lnk";
}

std::string ShortcutTarget(const std::string& linkFile) {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.PutVoid())))
        return "<no shell link object>";
    ComPtr<IPersistFile> persist;
    wchar_t wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide, MAX_PATH * 2);
    if (FAILED(link->QueryInterface(IID_IPersistFile, persist.PutVoid())) ||
        FAILED(persist->Load(wide, STGM_READ)))
        return "<not loadable>";
    char path[MAX_PATH * 2] = {};
    if (FAILED(link->GetPath(path, sizeof path, nullptr, SLGP_RAWPATH)))
        return "<not loadable>";
    return path;
}
