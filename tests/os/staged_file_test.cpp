#include <windows.h>
#include <gtest/gtest.h>

#include "platform/os/staged_file.h"
#include "tests/support/test_files.h"

namespace {

const uint8_t kBytes[] = {'P', 'K', 3, 4, 0, 0xFF};
const std::vector<uint8_t> kExpected(std::begin(kBytes), std::end(kBytes));

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(StagedFile, WritesEveryByteAndReplacesAPlainFile) {
    ScratchDir dir("staged");
    for (bool existed : {false, true}) {
        const std::string path = dir / (existed ? "old.zip" : "new.zip");
        if (existed)
            WriteAll(path, "an older and longer file");
        StagedFile staged = StagedFile::Write(path, kBytes);
        ASSERT_TRUE(staged) << path;
        EXPECT_EQ(staged.Path(), path);
        EXPECT_EQ(ReadAll(path), kExpected) << path;
    }
}

TEST(StagedFile, RefusesWhatCannotBeWritten) {
    ScratchDir dir("staged");
    const std::string locked = dir / "locked.zip";
    UniqueHandle lock(
        CreateFileA(locked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(lock);
    for (const std::string& path : {std::string(), dir / "missing\\tool.zip", locked, dir.path()})
        EXPECT_FALSE(StagedFile::Write(path, kBytes)) << "'" << path << "'";
    EXPECT_FALSE(DirExists(dir / "missing")) << "creates no folder";
}

// A file with a second name elsewhere would be written through to that other file.
TEST(StagedFile, DoesNotWriteThroughAHardLink) {
    ScratchDir dir("staged");
    const std::string other = dir / "someone-elses.zip";
    WriteAll(other, "keep me");
    ASSERT_TRUE(CreateHardLinkA((dir / "tool.zip").c_str(), other.c_str(), nullptr));
    EXPECT_FALSE(StagedFile::Write(dir / "tool.zip", kBytes));
    EXPECT_EQ(ReadAll(other), Bytes("keep me"));
}

// Wine cannot make a symbolic link or a junction here, so the decision is shown alone.
TEST(StagedFile, WritesThroughOnlyAPlainFileWithOneName) {
    struct Case {
        DWORD attributes;
        DWORD links;
        bool writable;
    };
    const Case cases[] = {
        {FILE_ATTRIBUTE_NORMAL, 1, true},
        {FILE_ATTRIBUTE_ARCHIVE, 1, true},
        {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 1, true},
        {FILE_ATTRIBUTE_NORMAL, 2, false},
        {FILE_ATTRIBUTE_ARCHIVE, 0, false},
        {FILE_ATTRIBUTE_REPARSE_POINT, 1, false},
        {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT, 1, false},
        {FILE_ATTRIBUTE_DIRECTORY, 1, false},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 1, false},
        {FILE_ATTRIBUTE_DEVICE, 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsPlainSingleLinkFile(c.attributes, c.links), c.writable)
            << std::hex << c.attributes << " links " << c.links;
}

// Share modes are what keeps another process out; wineserver enforces them as Windows
// does, for other handles of this process as for other processes.
TEST(StagedFile, WhileHeldOthersMayReadButNotWriteRenameOrDelete) {
    ScratchDir dir("staged");
    const std::string path = dir / "tool.zip";
    StagedFile staged = StagedFile::Write(path, kBytes);
    ASSERT_TRUE(staged);
    UniqueHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer) << "write";
    EXPECT_FALSE(MoveFileA(path.c_str(), (dir / "swapped.zip").c_str())) << "rename";
    EXPECT_FALSE(DeleteFileA(path.c_str())) << "delete";
    UniqueHandle reader(CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reader) << "read";
    reader.Reset();
    EXPECT_EQ(ReadAll(path), kExpected);
}

TEST(StagedFile, DiscardDeletesOnlyItsOwnFile) {
    ScratchDir dir("staged");
    const std::string path = dir / "tool.zip";
    StagedFile staged = StagedFile::Write(path, kBytes);
    ASSERT_TRUE(staged);
    EXPECT_TRUE(staged.Discard());
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(staged);
    // A file of that name made after the discard is someone else's.
    WriteAll(path, "someone else's");
    EXPECT_FALSE(staged.Discard());
    EXPECT_EQ(ReadAll(path), Bytes("someone else's"));
    EXPECT_FALSE(StagedFile().Discard());
}

} // namespace
