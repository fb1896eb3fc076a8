// Texts between the ANSI code page (936 under the tests' Wine) and UTF-16.
#include <windows.h>
#include <gtest/gtest.h>

#include "platform/os/code_page.h"

namespace {

TEST(CodePage, TheTestsRunWithTheChineseCodePage) {
    ASSERT_EQ(GetACP(), 936u) << "the cases below are GBK";
}

struct ToAnsiCase {
    const char* name;
    std::wstring wide;
    std::string text;
    bool exact;
};

TEST(ToAnsi, SpellsExactlyOrMarksWithAQuestionMark) {
    const ToAnsiCase cases[] = {
        {"empty", L"", "", true},
        {"ASCII path", L"C:\\Program Files\\Quillmere", "C:\\Program Files\\Quillmere", true},
        {"Chinese path", L"C:\\Velmora\u8F6F\u4EF6\\\u9009\u62E9", "C:\\Velmora软件\\选择", true},
        {"full-width blanks", L"\u3000\u8F6F\u4EF6\u3000", "\xA1\xA1软件\xA1\xA1", true},
        // GBK spells U+2010 with a trail byte 5C, the backslash's value.
        {"trail byte 5C", L"a\u2010b", "a\xA9\\b", true},
        {"a letter GBK lacks", L"Chooser\u0E01", "Chooser?", false},
        {"two of them", L"\u0E01x\u0E02", "?x?", false},
        // Left to itself the system would write look-alikes: "a" and a GBK "a grave".
        {"ordinal indicator", L"\u00AA", "?", false},
        {"A grave", L"D:\\\u00C0", "D:\\?", false},
    };
    for (const auto& c : cases) {
        const AnsiText ansi = ToAnsi(c.wide);
        EXPECT_EQ(ansi.text, c.text) << c.name;
        EXPECT_EQ(ansi.exact, c.exact) << c.name;
    }
}

TEST(ToWide, ReadsGbk) {
    const std::pair<std::string, std::wstring> cases[] = {
        {"", L""},
        {"Quillmere", L"Quillmere"},
        {"请选择安装位置", L"\u8BF7\u9009\u62E9\u5B89\u88C5\u4F4D\u7F6E"},
        {"\xA1\xA1x", L"\u3000x"},
    };
    for (const auto& [ansi, wide] : cases) {
        EXPECT_EQ(ToWide(ansi), wide) << ansi;
        const AnsiText back = ToAnsi(wide);
        EXPECT_EQ(back.text, ansi) << "and back";
        EXPECT_TRUE(back.exact) << ansi;
    }
}

} // namespace
