#pragma once
// Text primitives. A text is a std::string of GBK bytes; an absent text and the empty
// text are the same value.
#include <string>
#include <string_view>
#include <vector>

using Text = std::string;
using TextArray = std::vector<Text>; // indexed from 1 through Element()

// -1, 0 or 1; bytes compare as unsigned values and a prefix is the smaller.
int CompareText(std::string_view a, std::string_view b);
size_t TextLength(std::string_view text);
// Absent (empty) arguments contribute nothing.
Text Concat(std::initializer_list<std::string_view> parts);
// 1-based; an index below 1 (tested first) or past the end is a fatal run-time error.
const Text& Element(const TextArray& array, int index);
// Splits at '|' without ever splitting a double-byte character; a trailing empty
// entry is dropped.
TextArray SplitText(std::string_view text, char separator = '|');
// Lower-cases ASCII letters only; the byte after a lead byte (0x80 or more) is left as
// it is, whatever its value.
Text LowerAscii(std::string_view text);
// The leftmost byte, or an empty text.
Text FirstByte(std::string_view text);
