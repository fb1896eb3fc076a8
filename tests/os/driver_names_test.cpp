// The driver's one rule for executable names (tools/driver): ASCII letters compare
// without their case, nothing else does, and the scanner of running processes keeps to it.
#include <windows.h>
#include <gtest/gtest.h>

#include "tests/support/product_process.h"
#include "tests/support/test_files.h"
#include "tools/driver/process.h"
#include "tools/driver/text.h"

using namespace windriver;

namespace {

TEST(SameIgnoringAsciiCase, FoldsAsciiLettersOnly) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"", "", true},
        {"Quillmere.exe", "QUILLMERE.EXE", true},
        {"C:\\Velmora软件\\Quillmere.exe", "c:\\velmora软件\\quillmere.EXE", true},
        {"Quillmere.exe", "Quillmere.ex", false},
        {"Quillmere.exe", "Quillmere.exe ", false},
        {"Quillmere.exe", "Quillmere2.exe", false},
        {"[", "{", false}, // 0x5B and 0x7B lie 0x20 apart without being letters
        // Double-byte characters whose second byte is 'A' (0x41) and 'a' (0x61).
        {"\x81\x41", "\x81\x61", false},
        {"\x81\x41.exe", "\x81\x41.EXE", true},
        // Full-width letters are other characters, not other cases.
        {"\xA3\xC1", "\xA3\xE1", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SameIgnoringAsciiCase(c.a, c.b), c.same) << c.a << " | " << c.b;
        EXPECT_EQ(SameIgnoringAsciiCase(c.b, c.a), c.same) << c.b << " | " << c.a;
    }
}

TEST(ProcessIdsNamed, FindsARunningCopyByItsWholeNameIgnoringAsciiCase) {
    ScratchDir dir("scan");
    RunningCopy product(dir.path(), "Quillmere.exe");
    ASSERT_TRUE(product.started());
    const std::pair<const char*, size_t> cases[] = {
        {"Quillmere.exe", 1}, {"QUILLMERE.EXE", 1},  {"quillMERE.Exe", 1},  {"Quillmere", 0},
        {"Quillmere.ex", 0},  {"Quillmere.exe ", 0}, {"xQuillmere.exe", 0}, {"Quillmere.bak", 0},
    };
    for (const auto& [name, running] : cases)
        EXPECT_EQ(ProcessIdsNamed(name).size(), running) << name;
}

} // namespace
