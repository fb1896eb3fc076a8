#include <gtest/gtest.h>

#include "core/text.h"
#include "tests/support/fake_runtime.h"

namespace {

struct CompareCase {
    const char* a;
    const char* b;
    int expected;
};

TEST(CompareText, OrdersBytesAsUnsignedAndPrefixesFirst) {
    const CompareCase cases[] = {
        {"", "", 0},
        {"abc", "", 1},
        {"", "abc", -1},
        {"abc", "abc", 0},
        {"ab", "abc", -1},
        {"abc", "ab", 1},
        {"A", "a", -1},
        {"a", "\x80", -1}, // signed chars would make 0x80 smaller
        {"\xB0\xB2", "\xB0\xA1", 1},
        {"x\xFF", "x\x01", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompareText(c.a, c.b), c.expected) << '"' << c.a << "\" vs \"" << c.b << '"';
}

TEST(CompareText, AbsentEqualsEmpty) {
    std::string absent;
    EXPECT_EQ(CompareText(absent, ""), 0);
    EXPECT_EQ(CompareText("x", absent), 1);
}

TEST(TextLength, CountsBytes) {
    EXPECT_EQ(TextLength(""), 0u);
    EXPECT_EQ(TextLength("安装程序"), 8u); // four double-byte characters
}

TEST(Concat, JoinsInOrderAndSkipsAbsentParts) {
    EXPECT_EQ(Concat({"D:\\", "", "Velmora软件\\", std::string(), "Quillmere"}),
              "D:\\Velmora软件\\Quillmere");
    EXPECT_EQ(Concat({}), "");
    EXPECT_EQ(Concat({"", ""}), "");
}

TEST(Element, GivesOneBasedEntries) {
    const TextArray array = {"one", "two", "three"};
    EXPECT_EQ(Element(array, 1), "one");
    EXPECT_EQ(Element(array, 3), "three");
}

TEST(Element, OutOfRangeIsFatalAndBelowOneIsTestedFirst) {
    const TextArray array = {"one"};
    const TextArray empty;
    struct Case {
        const TextArray* array;
        int index;
        const char* message;
    };
    const Case cases[] = {
        {&array, 0, "array index below 1"},      {&array, -5, "array index below 1"},
        {&array, 2, "array index past the end"}, {&empty, 1, "array index past the end"},
        {&empty, 0, "array index below 1"},
    };
    for (const auto& c : cases) {
        gFake.Reset();
        EXPECT_EQ(RunUntilExit([&] { Element(*c.array, c.index); }), -1) << "index " << c.index;
        EXPECT_EQ(gFake.fatalError, c.message) << "index " << c.index;
    }
}

struct SplitCase {
    std::string text;
    std::vector<std::string> entries;
};

TEST(SplitText, FollowsTheGbkAwareRule) {
    const SplitCase cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a|b|c", {"a", "b", "c"}},
        {"a|", {"a"}},     // trailing empty entry dropped
        {"|a", {"", "a"}}, // a leading empty entry is kept
        {"a||b", {"a", "", "b"}},
        {"|", {""}},
        {"\x81|x|y", {"\x81|x", "y"}}, // '|' as a trail byte never separates
        {"ab\xB0", {"ab\xB0"}},        // a lead byte at the end ends the scan
        {"a|\xB0", {"a", "\xB0"}},
        {"软件|安装", {"软件", "安装"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitText(c.text), c.entries) << c.text;
}

TEST(LowerAscii, LowersOnlyAsciiLettersAndSkipsTrailBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"QUILLMERE.EXE", "quillmere.exe"},
        {"MiXeD-123_Z", "mixed-123_z"},
        {"", ""},
        {"\x81\x41Z", "\x81\x41z"}, // 'A' as a trail byte stays
        {"\xC4\xDA", "\xC4\xDA"},
        {"@[`{", "@[`{"}, // neighbours of the letter ranges
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(LowerAscii(in), out) << in;
}

TEST(FirstByte, TakesTheLeftmostByte) {
    EXPECT_EQ(FirstByte("D:\\x"), "D");
    EXPECT_EQ(FirstByte(""), "");
    EXPECT_EQ(FirstByte("软件"), "\xC8");
}

} // namespace
