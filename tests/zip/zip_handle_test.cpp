// Extraction through a handle the caller holds: the staged archive stays open, shared for
// reading only, so that no other process can write, rename or delete it meanwhile, and
// the extraction reads that very file, never a file found again by its name.
#include "platform/zip/extract.h"
#include "tests/zip/payload_fixture.h"
#include "tests/zip/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testing::ElementsAre;

enum class HandleKind { kPlain, kPointerAtTheEnd, kOverlapped };

struct HandleCase {
    const char* label;
    HandleKind kind;
};

const HandleCase kHandles[] = {
    {"plain handle", HandleKind::kPlain},
    {"file pointer at the end", HandleKind::kPointerAtTheEnd},
    {"overlapped handle", HandleKind::kOverlapped},
};

void PrintTo(const HandleCase& c, std::ostream* out) {
    *out << c.label;
}

HANDLE OpenShareReadOnly(const std::string& path, DWORD flags) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | flags, nullptr);
}

bool StartsWithLocalHeader(HANDLE file) {
    OVERLAPPED at{};
    at.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    char head[4] = {};
    DWORD got = 0;
    bool read = ReadFile(file, head, sizeof head, &got, &at) ||
                (GetLastError() == ERROR_IO_PENDING && GetOverlappedResult(file, &at, &got, TRUE));
    CloseHandle(at.hEvent);
    return read && got == 4 && std::string(head, 4) == "PK\x03\x04";
}

class ZipHeldArchive : public testing::TestWithParam<HandleCase> {};

TEST_P(ZipHeldArchive, IsExtractedWhileNoOtherProcessCanChangeIt) {
    ScratchDir scratch;
    const std::string staged = scratch / "tool.zip";
    ASSERT_TRUE(CopyFileA(FixturePath("payload.zip").c_str(), staged.c_str(), TRUE));
    HANDLE archive = OpenShareReadOnly(
        staged, GetParam().kind == HandleKind::kOverlapped ? FILE_FLAG_OVERLAPPED : 0);
    ASSERT_NE(archive, INVALID_HANDLE_VALUE);
    if (GetParam().kind == HandleKind::kPointerAtTheEnd)
        SetFilePointer(archive, 0, nullptr, FILE_END);
    ASSERT_EQ(ChangesByOtherProcess(staged), kOtherRead);
    ProgressLog log;

    EXPECT_EQ(ExtractZipFromHandle(archive, scratch / "target", &ProgressLog::Record, &log), 1);

    EXPECT_EQ(log.values, kPayloadProgress);
    ExpectPayloadIn(scratch / "target");
    // Still open, still the caller's, still guarded.
    EXPECT_TRUE(StartsWithLocalHeader(archive));
    EXPECT_EQ(ChangesByOtherProcess(staged), kOtherRead);
    EXPECT_TRUE(CloseHandle(archive));
    EXPECT_EQ(ChangesByOtherProcess(staged), kOtherWrote | kOtherRenamed | kOtherDeleted);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ZipHeldArchive, testing::ValuesIn(kHandles), ByLabel());

// Once the name leads to another file, only a reader that keeps to its handle still
// gets the archive it was given.
TEST(ZipHeldArchiveName, MayLeadElsewhereWithoutChangingWhatIsExtracted) {
    ScratchDir scratch;
    const std::string staged = scratch / "tool.zip";
    ASSERT_TRUE(CopyFileA(FixturePath("payload.zip").c_str(), staged.c_str(), TRUE));
    HANDLE archive = CreateFileA(staged.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(archive, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(MoveFileA(staged.c_str(), (scratch / "moved.zip").c_str()));
    ASSERT_TRUE(CopyFileA(FixturePath("timestamps.zip").c_str(), staged.c_str(), TRUE));

    EXPECT_EQ(ExtractZipFromHandle(archive, scratch / "target", nullptr, nullptr), 1);
    CloseHandle(archive);

    ExpectPayloadIn(scratch / "target");
}

TEST(ZipHeldArchiveHandle, ThatIsNoFileFailsBeforeTheWalk) {
    ScratchDir scratch;
    for (HANDLE archive : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
        ProgressLog log;
        EXPECT_EQ(ExtractZipFromHandle(archive, scratch / "target", &ProgressLog::Record, &log), 0);
        EXPECT_THAT(log.values, ElementsAre(0));
    }
    EXPECT_EQ(ListTree(scratch.path()), std::set<std::string>{});
}

} // namespace
