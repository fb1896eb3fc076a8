// Every row of the table of entry names shared with the packager: "ok" names are
// written, "refused" names are not. The table is UTF-8; archives carry GBK, so each name
// goes through the code page functions first.
#include "platform/zip/names.h"
#include "tests/zip/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>

namespace {

constexpr UINT kGbk = 936;

struct TableRow {
    int line;
    std::string verdict;
    std::string utf8; // with its \xNN escapes resolved
};

// U+00NN as UTF-8.
std::string CodePointAsUtf8(unsigned value) {
    if (value < 0x80)
        return std::string(1, static_cast<char>(value));
    return {static_cast<char>(0xC0 | value >> 6), static_cast<char>(0x80 | (value & 0x3F))};
}

std::string Unescape(const std::string& text) {
    std::string result;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text.compare(at, 2, "\\x") == 0 && at + 4 <= text.size()) {
            result += CodePointAsUtf8(std::stoul(text.substr(at + 2, 2), nullptr, 16));
            at += 3;
            continue;
        }
        result += text[at];
    }
    return result;
}

std::vector<TableRow> LoadTable() {
    std::ifstream table(ENTRY_NAMES_TABLE, std::ios::binary);
    std::vector<TableRow> rows;
    std::string line;
    for (int number = 1; std::getline(table, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        size_t tab = line.find('\t');
        rows.push_back({number, line.substr(0, tab),
                        tab == std::string::npos ? "" : Unescape(line.substr(tab + 1))});
    }
    return rows;
}

// None when the name has a character GBK cannot hold: no archive of ours could carry it.
std::optional<std::string> Utf8ToGbk(const std::string& utf8) {
    int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                         static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        wide.data(), wideLength);
    BOOL lossy = FALSE;
    int length = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr,
                                     0, nullptr, &lossy);
    std::string gbk(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, gbk.data(), length,
                        nullptr, &lossy);
    if (wideLength == 0 && !utf8.empty())
        return std::nullopt;
    if (lossy)
        return std::nullopt;
    return gbk;
}

void PrintTo(const TableRow& row, std::ostream* out) {
    *out << "line " << row.line << ": " << row.verdict << " " << testing::PrintToString(row.utf8);
}

class SharedEntryNames : public testing::TestWithParam<TableRow> {};

TEST_P(SharedEntryNames, AreWrittenOrRefusedAsTheTableSays) {
    const TableRow& row = GetParam();
    ASSERT_TRUE(row.verdict == "ok" || row.verdict == "refused") << "unknown verdict";
    std::optional<std::string> gbk = Utf8ToGbk(row.utf8);
    ASSERT_TRUE(gbk) << "the name has a character GBK cannot hold";
    EXPECT_EQ(IsSafeEntryName(*gbk), row.verdict == "ok");
}

TEST(SharedEntryNamesTable, HoldsBothVerdicts) {
    std::vector<TableRow> rows = LoadTable();
    auto has = [&](const char* verdict) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const TableRow& row) { return row.verdict == verdict; });
    };
    EXPECT_TRUE(has("ok"));
    EXPECT_TRUE(has("refused"));
}

INSTANTIATE_TEST_SUITE_P(Rows, SharedEntryNames, testing::ValuesIn(LoadTable()),
                         [](const testing::TestParamInfo<TableRow>& info) {
                             return "Line" + std::to_string(info.param.line);
                         });

} // namespace
