#pragma once
// Texts between the program's ANSI code page and UTF-16, for the system functions whose
// wide form behaves better than the ANSI one.
#include <string>
#include <string_view>

// The ANSI text of `wide`. A character the code page cannot spell exactly, including one
// Windows would otherwise replace by a look-alike, becomes "?" and makes `exact` false.
struct AnsiText {
    std::string text;
    bool exact = false;
};
AnsiText ToAnsi(std::wstring_view wide);

// The UTF-16 text of an ANSI text; empty when it cannot be converted.
std::wstring ToWide(std::string_view ansi);
