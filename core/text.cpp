#include "core/text.h"

#include "platform/runtime/runtime.h"

namespace {
bool IsLeadByte(unsigned char c) {
    return c >= 0x80;
}
} // namespace

int CompareText(std::string_view a, std::string_view b) {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

size_t TextLength(std::string_view text) {
    return text.size();
}

Text Concat(std::initializer_list<std::string_view> parts) {
    size_t total = 0;
    for (auto part : parts)
        total += part.size();
    Text result;
    result.reserve(total);
    for (auto part : parts)
        result.append(part);
    return result;
}

const Text& Element(const TextArray& array, int index) {
    if (index < 1)
        FatalRuntimeError("array index below 1");
    if (static_cast<size_t>(index) > array.size())
        FatalRuntimeError("array index past the end");
    return array[static_cast<size_t>(index) - 1];
}

TextArray SplitText(std::string_view text, char separator) {
    TextArray entries;
    size_t start = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (text[pos] == separator) {
            entries.emplace_back(text.substr(start, pos - start));
            start = ++pos;
        } else if (IsLeadByte(c)) {
            if (pos + 1 >= text.size())
                break; // a lead byte at the end ends the scan
            pos += 2;
        } else {
            ++pos;
        }
    }
    if (start < text.size())
        entries.emplace_back(text.substr(start));
    return entries;
}

Text LowerAscii(std::string_view text) {
    Text result(text);
    for (size_t i = 0; i < result.size(); ++i) {
        const auto c = static_cast<unsigned char>(result[i]);
        if (IsLeadByte(c)) {
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            result[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

Text FirstByte(std::string_view text) {
    return Text(text.substr(0, 1));
}
