#include <gtest/gtest.h>

#include "platform/os/system_library.h"

namespace {

TEST(SystemLibraryPath, StaysInTheSystemFolder) {
    struct Case {
        const char* folder;
        const char* name;
        const char* path;
    };
    const Case cases[] = {
        {"C:\\Windows\\system32", "comctl32.dll", "C:\\Windows\\system32\\comctl32.dll"},
        {"C:\\Windows\\system32\\", "shell32.dll", "C:\\Windows\\system32\\shell32.dll"},
        {"", "comctl32.dll", ""},
        {"C:\\Windows\\system32", "", ""},
        {"C:\\Windows\\system32", "..\\..\\Users\\me\\Downloads\\comctl32.dll", ""},
        {"C:\\Windows\\system32", "sub/comctl32.dll", ""},
        {"C:\\Windows\\system32", "D:comctl32.dll", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SystemLibraryPath(c.folder, c.name), c.path) << c.folder << " + " << c.name;
}

// Only the loader's "unknown flag" answer is worth a second try by full path; a DLL that
// is missing or broken stays unloaded.
TEST(SystemLibraryPath, OnlyAnUnknownSearchFlagFallsBack) {
    EXPECT_TRUE(SearchFlagUnsupported(ERROR_INVALID_PARAMETER));
    for (DWORD error : {DWORD{ERROR_MOD_NOT_FOUND}, DWORD{ERROR_BAD_EXE_FORMAT},
                        DWORD{ERROR_ACCESS_DENIED}, DWORD{0}})
        EXPECT_FALSE(SearchFlagUnsupported(error)) << error;
}

} // namespace
