#include "platform/os/services.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "platform/os/code_page.h"
#include "platform/scoped_win.h"

namespace {
constexpr DWORD kIdleWaitMs = 1000;

std::string WithTrailingBackslash(std::string path) {
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path;
}

std::string TempFolder() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    if (length == 0 || length > MAX_PATH)
        return {};
    return std::string(buffer, length);
}

std::string DesktopFolder() {
    char buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_DESKTOPDIRECTORY, FALSE))
        return {};
    return buffer;
}

} // namespace

std::string GetSpecialFolder(int code) {
    switch (code) {
    case kFolderDesktop:
        return WithTrailingBackslash(DesktopFolder());
    case kFolderTemp:
        return WithTrailingBackslash(TempFolder());
    default:
        return {};
    }
}

std::string ShortcutFileName(const std::string& linkPath) {
    const size_t slash = linkPath.rfind('\\');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const bool hasExtension = linkPath.find('.', nameStart) != std::string::npos;
    return hasExtension ? linkPath : linkPath + ".lnk";
}

bool CreateShortcut(const std::string& linkPath, const std::string& target) {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.PutVoid())))
        return false;
    link->SetPath(target.c_str());
    link->SetShowCmd(SW_SHOW);
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())))
        return false;
    return SUCCEEDED(file->Save(ToWide(ShortcutFileName(linkPath)).c_str(), TRUE));
}

std::string QuotedCommandLine(const std::string& path) {
    return "\"" + path + "\"";
}

bool RunProgram(const std::string& commandLine, bool wait) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0'); // CreateProcessA may write into its command line
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    const UniqueHandle thread(process.hThread), program(process.hProcess);
    WaitForInputIdle(program.Get(), kIdleWaitMs);
    if (wait)
        WaitForSingleObject(program.Get(), INFINITE);
    return true;
}
