// Extraction over an existing installation: all or nothing. A failure anywhere, during the
// writing or during the moves into place, leaves every old file as it was and nothing of
// ours behind; a success replaces them all.
#include "platform/zip/extract.h"
#include "tests/zip/payload_fixture.h"
#include "tests/zip/test_support.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

const std::vector<int> kEveryEntry = {0, 9, 18, 27, 36, 45, 54, 63, 72, 81, 90};

struct FailureCase {
    const char* label;
    const char* fixture;
    const char* lockedFile; // held open without sharing by another process, if any
    bool oldHasTheFolder;   // the old installation already has the folder 数据
    std::vector<int> progress;
};

// Files are replaced in the archive's order (readme.txt first, 数据\说明.txt tenth,
// license.txt last), so a lock further on undoes more moves already made.
const FailureCase kFailures[] = {
    {"first file locked", "payload.zip", "readme.txt", true, kEveryEntry},
    {"middle file locked", "payload.zip", "config.ini", true, kEveryEntry},
    {"file in a folder locked", "payload.zip", "数据\\说明.txt", true, kEveryEntry},
    {"last file locked", "payload.zip", "license.txt", true, kEveryEntry},
    {"last file locked, folder new", "payload.zip", "license.txt", false, kEveryEntry},
    {"corrupt last entry",
     "payload_bad_last.zip",
     nullptr,
     true,
     {0, 9, 18, 27, 36, 45, 54, 63, 72, 81}},
    {"more bytes declared than the drive has free", "payload_no_room.zip", nullptr, true, {0}},
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.label;
}

class ZipReinstallFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(ZipReinstallFailure, LeavesEveryOldFileAsItWasAndNothingMore) {
    ScratchDir scratch;
    const std::string target = scratch / "Quillmere";
    const Installation old = WriteOldInstallation(target, GetParam().oldHasTheFolder);
    std::optional<HeldByOtherProcess> lock;
    if (GetParam().lockedFile) {
        lock.emplace(target + "\\" + GetParam().lockedFile);
        ASSERT_TRUE(lock->holding());
    }
    ProgressLog log;

    int result = ExtractZip(FixturePath(GetParam().fixture), target, &ProgressLog::Record, &log);
    lock.reset();

    EXPECT_EQ(result, 0);
    EXPECT_EQ(log.values, GetParam().progress);
    ExpectInstallation(target, old);
}

INSTANTIATE_TEST_SUITE_P(Causes, ZipReinstallFailure, testing::ValuesIn(kFailures), ByLabel());

struct IntrudingHandler {
    std::string folder;
    static void OnProgress(void* context, int percent) {
        if (percent == 90)
            CreateDirectoryA(static_cast<IntrudingHandler*>(context)->folder.c_str(), nullptr);
    }
};

// The folder 数据 is new to this installation, so the extraction makes it under a name of
// its own; when its name has been taken by the time it is to move into place, the files
// moved before it go back as well, and the newcomer stays.
TEST(ZipReinstall, AFolderNameTakenMeanwhileUndoesTheWholeExtraction) {
    ScratchDir scratch;
    const std::string target = scratch / "Quillmere";
    Installation old = WriteOldInstallation(target, false);
    IntrudingHandler handler{target + "\\数据"};

    EXPECT_EQ(
        ExtractZip(FixturePath("payload.zip"), target, &IntrudingHandler::OnProgress, &handler), 0);

    old["数据\\"] = "";
    ExpectInstallation(target, old);
}

TEST(ZipReinstall, ReplacesEveryOldFileKeepsTheUsersOwnAndLeavesNothingOfOurs) {
    ScratchDir scratch;
    const std::string target = scratch / "Quillmere";
    const Installation old = WriteOldInstallation(target);
    ProgressLog log;

    ASSERT_EQ(ExtractZip(FixturePath("payload.zip"), target, &ProgressLog::Record, &log), 1);

    EXPECT_EQ(log.values, kPayloadProgress);
    ExpectPayloadIn(target, {kUsersOwnFile});
    EXPECT_EQ(ReadBytes(target + "\\" + kUsersOwnFile), old.at(kUsersOwnFile));
    // Nothing of ours anywhere: the tree holds the payload and the user's file only.
    std::set<std::string> expected;
    for (const PayloadEntry& entry : ReadManifest())
        expected.insert(Backslashed(entry.name));
    expected.insert(kUsersOwnFile);
    EXPECT_EQ(ListTree(target), expected);
}

// Replacing a file that another process holds open with full sharing is allowed: the old
// file is renamed aside and deleted, which the system finishes when the holder lets go.
TEST(ZipReinstall, ReplacesAFileThatIsOpenWithDeleteSharing) {
    ScratchDir scratch;
    const std::string target = scratch / "Quillmere";
    WriteOldInstallation(target);
    const std::string readme = target + "\\readme.txt";
    HANDLE open = CreateFileA(readme.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);

    int result = ExtractZip(FixturePath("payload.zip"), target, nullptr, nullptr);
    CloseHandle(open);

    EXPECT_EQ(result, 1);
    ExpectPayloadIn(target, {kUsersOwnFile});
}

} // namespace
