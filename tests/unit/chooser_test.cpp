#include <gtest/gtest.h>

#include "ui/chooser.h"

namespace {

TEST(TrimBlanks, RemovesHalfAndFullWidthSpacesAtBothEnds) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"    ", ""},
        {"\xA1\xA1 \xA1\xA1", ""},
        {"  Programs  ", "Programs"},
        {"\xA1\xA1软件\xA1\xA1", "软件"},
        {" \xA1\xA1 a b \xA1\xA1 ", "a b"},
        {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},
        {"\xB0\xA1\xA1", "\xB0\xA1\xA1"}, // a trail byte A1 never pairs with the next byte
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(TrimBlanks(in), out) << in;
}

struct ChoiceCase {
    const char* name;
    std::string displayName;
    bool gotItem;
    std::optional<std::string> path;
    std::string expected;
};

TEST(DecideChosenFolder, CoversEveryBranch) {
    const std::string blank(260, ' ');
    const ChoiceCase cases[] = {
        {"cancelled", blank, false, std::nullopt, ""},
        {"deep path", "Programs", true, "D:\\Work\\Programs", "D:\\Work\\Programs"},
        {"drive root", "Local Disk (D:)", true, "D:\\", "D:"},
        {"three bytes but no root", "ab", true, "abc", "ab"},
        {"four bytes stay whole", "Apps", true, "C:\\a", "C:\\a"},
        {"question mark with an item", "Odd?Name", true, "C:\\Odd", ""},
        {"question mark without an item", "net?", false, std::nullopt, ""},
        {"item without a file-system path", "Control Panel", true, std::nullopt, ""},
        {"no item but a name", "  server  ", false, std::nullopt, "\\\\server"},
        {"no item, full-width blanks", "\xA1\xA1share\xA1\xA1", false, std::nullopt, "\\\\share"},
        {"no item, blank name", "\xA1\xA1  ", false, std::nullopt, ""},
        {"full-width blanks around a chosen name", "\xA1\xA1软件\xA1\xA1", true, "C:\\软件",
         "C:\\软件"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideChosenFolder(c.displayName, c.gotItem, c.path), c.expected) << c.name;
}

} // namespace
