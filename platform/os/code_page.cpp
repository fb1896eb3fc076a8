#include "platform/os/code_page.h"

#include <windows.h>

AnsiText ToAnsi(std::wstring_view wide) {
    if (wide.empty())
        return {"", true};
    const int length = static_cast<int>(wide.size());
    // No look-alikes: a name that cannot be spelled must not turn into another folder.
    constexpr DWORD kFlags = WC_NO_BEST_FIT_CHARS;
    const int count =
        WideCharToMultiByte(CP_ACP, kFlags, wide.data(), length, nullptr, 0, "?", nullptr);
    if (count <= 0)
        return {};
    std::string text(static_cast<size_t>(count), '\0');
    BOOL usedDefault = FALSE;
    if (WideCharToMultiByte(CP_ACP, kFlags, wide.data(), length, text.data(), count, "?",
                            &usedDefault) != count)
        return {};
    return {std::move(text), !usedDefault};
}

std::wstring ToWide(std::string_view ansi) {
    if (ansi.empty())
        return {};
    const int length = static_cast<int>(ansi.size());
    const int count = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    if (count <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(count), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), count) != count)
        return {};
    return wide;
}
