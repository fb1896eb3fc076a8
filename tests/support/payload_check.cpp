#include "tests/support/payload_check.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "tests/support/test_files.h"

void ExpectPayloadInstalled(const std::string& dir, const std::string& manifestPath,
                            size_t entries) {
    const auto manifest = LoadManifest(manifestPath);
    ASSERT_EQ(manifest.size(), entries) << manifestPath;
    for (const auto& entry : manifest) {
        const std::string path = dir + "\\" + entry.name;
        if (entry.directory) {
            EXPECT_TRUE(DirExists(path)) << path;
            continue;
        }
        const auto bytes = ReadAll(path);
        EXPECT_EQ(bytes.size(), entry.size) << path;
        EXPECT_EQ(Crc32Of(bytes), entry.crc) << path;
        EXPECT_EQ(GetFileAttributesA(path.c_str()), PlainFileAttributes()) << path;
        EXPECT_EQ(LastWriteStamp(path), entry.dosTime) << path;
    }
}
