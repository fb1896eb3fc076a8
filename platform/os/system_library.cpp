#include "platform/os/system_library.h"

namespace {
std::string SystemFolder() {
    char buffer[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length > MAX_PATH)
        return {};
    return std::string(buffer, length);
}
} // namespace

bool SearchFlagUnsupported(DWORD error) {
    return error == ERROR_INVALID_PARAMETER;
}

std::string SystemLibraryPath(std::string_view systemFolder, std::string_view name) {
    if (systemFolder.empty() || name.empty() || name.find_first_of("\\/:") != name.npos)
        return {};
    std::string path(systemFolder);
    if (path.back() != '\\')
        path += '\\';
    return path.append(name);
}

HMODULE LoadSystemLibrary(const char* name) {
    if (HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    if (!SearchFlagUnsupported(GetLastError()))
        return nullptr;
    const std::string path = SystemLibraryPath(SystemFolder(), name);
    // With a full path the loader looks for the DLL's own imports beside it first, that is
    // in the system folder too.
    return path.empty() ? nullptr
                        : LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
