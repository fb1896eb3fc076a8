#include "platform/zip/names.h"

#include <array>

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

bool IsDanglingLeadByte(std::string_view text, size_t at) {
    return IsLeadByte(static_cast<unsigned char>(text[at])) && GbkCharLength(text, at) == 1;
}

// NUL and ':' included: a NUL ends the name early and ':' names a drive or a stream.
bool IsForbiddenCharacter(unsigned char c) {
    return c < 0x20 ||
           std::string_view(":<>\"|?*").find(static_cast<char>(c)) != std::string_view::npos;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size())
        return false;
    for (size_t at = 0; at < text.size(); ++at) {
        if (LowerAscii(text[at]) != lower[at])
            return false;
    }
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Windows reads an element as a device when the part before its first dot, without the
// spaces at its end, is a device name.
bool IsDeviceName(std::string_view element) {
    std::string_view base = element.substr(0, element.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    constexpr std::array<std::string_view, 6> kDevices = {"con", "prn",    "aux",
                                                          "nul", "conin$", "conout$"};
    for (std::string_view device : kDevices) {
        if (EqualsIgnoringCase(base, device))
            return true;
    }
    return base.size() == 4 && IsDigit(base[3]) &&
           (EqualsIgnoringCase(base.substr(0, 3), "com") ||
            EqualsIgnoringCase(base.substr(0, 3), "lpt"));
}

// Windows drops the dots and spaces at the end of an element, so "a." and "a" would be
// one file, and "." or ".." would not be a name at all. A trail byte is never a dot or
// a space, so looking at the last byte is enough.
bool IsSafeElement(std::string_view element) {
    if (element.empty())
        return true;
    if (element.back() == '.' || element.back() == ' ')
        return false;
    return !IsDeviceName(element);
}

} // namespace

size_t GbkCharLength(std::string_view text, size_t at) {
    auto lead = static_cast<unsigned char>(text[at]);
    if (!IsLeadByte(lead) || at + 1 >= text.size())
        return 1;
    auto trail = static_cast<unsigned char>(text[at + 1]);
    return trail >= 0x40 && trail <= 0xFE && trail != 0x7F ? 2 : 1;
}

bool EndsWithBackslash(std::string_view text) {
    size_t last = 0;
    for (size_t at = 0; at < text.size(); at += GbkCharLength(text, at))
        last = at;
    return !text.empty() && last == text.size() - 1 && text[last] == '\\';
}

bool IsSafeEntryName(const std::string& name) {
    if (name.empty() || IsSeparator(name[0]))
        return false;
    std::string_view text(name);
    size_t start = 0;
    for (size_t at = 0; at < text.size(); at += GbkCharLength(text, at)) {
        // The code page conversion drops a lead byte without its trail, so two names
        // could land on one file.
        if (IsDanglingLeadByte(text, at))
            return false;
        if (GbkCharLength(text, at) == 2)
            continue;
        if (IsForbiddenCharacter(static_cast<unsigned char>(text[at])))
            return false;
        if (!IsSeparator(text[at]))
            continue;
        if (!IsSafeElement(text.substr(start, at - start)))
            return false;
        start = at + 1;
    }
    return IsSafeElement(text.substr(start));
}

std::string EntryPath(const std::string& target, const std::string& name) {
    std::string path = target;
    if (!EndsWithBackslash(target))
        path += '\\';
    // '/' is never a GBK trail byte, so a byte-wise swap is safe.
    for (char c : name)
        path += c == '/' ? '\\' : c;
    return path;
}
