// Folders the extraction creates directly below a drive root get permissions of their
// own. The decision and the descriptor are checked as values; the folder itself is read
// back through the security functions, which under Wine give what Wine keeps of a
// descriptor: the Unix permission bits it maps the descriptor to.
#include "platform/zip/extract.h"
#include "platform/zip/security.h"
#include "tests/zip/payload_fixture.h"
#include "tests/zip/test_support.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

namespace {

struct RootCase {
    std::string folder;
    bool belowRoot;
};

const RootCase kRoots[] = {
    {"C:\\Velmora软件", true},
    {"d:\\app", true},
    {"C:/app", true},
    {"\\\\?\\C:\\app", true},
    {"C:\\\x95\x5c", true}, // one GBK character whose trail byte is 0x5C
    {"C:\\Velmora软件\\Quillmere", false},
    {"C:\\app\\", false},
    {"C:\\", false},
    {"C:", false},
    {"C:app", false},
    {"\\app", false},
    {"\\\\server\\share", false},
    {"\\\\server\\share\\app", false},
    {"app", false},
    {"1:\\app", false},
};

void PrintTo(const RootCase& c, std::ostream* out) {
    *out << testing::PrintToString(c.folder);
}

class ZipDriveRootFolders : public testing::TestWithParam<RootCase> {};

TEST_P(ZipDriveRootFolders, AreTheOnesThatGetTheirOwnPermissions) {
    EXPECT_EQ(IsDirectlyBelowDriveRoot(GetParam().folder), GetParam().belowRoot);
}

INSTANTIATE_TEST_SUITE_P(Table, ZipDriveRootFolders, testing::ValuesIn(kRoots));

std::vector<unsigned char> WellKnown(WELL_KNOWN_SID_TYPE type) {
    std::vector<unsigned char> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    CreateWellKnownSid(type, nullptr, sid.data(), &size);
    sid.resize(size);
    return sid;
}

std::vector<unsigned char> CurrentUser() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    std::vector<unsigned char> buffer(256);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size);
    CloseHandle(token);
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    auto* bytes = static_cast<unsigned char*>(sid);
    return {bytes, bytes + GetLengthSid(sid)};
}

struct ExpectedAce {
    std::vector<unsigned char> sid;
    DWORD mask;
};

TEST(ZipFolderSecurity, GrantsFullControlToSystemAdministratorsAndInstallerAndReadToUsers) {
    ProtectedFolderSecurity security;
    ASSERT_TRUE(security.Valid());
    auto* descriptor = security.Attributes()->lpSecurityDescriptor;
    EXPECT_EQ(security.Attributes()->nLength, sizeof(SECURITY_ATTRIBUTES));
    EXPECT_FALSE(security.Attributes()->bInheritHandle);

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "must not inherit from the drive root";
    BOOL present = FALSE, defaulted = TRUE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl);
    EXPECT_FALSE(defaulted);

    const ExpectedAce expected[] = {
        {WellKnown(WinLocalSystemSid), FILE_ALL_ACCESS},
        {WellKnown(WinBuiltinAdministratorsSid), FILE_ALL_ACCESS},
        {CurrentUser(), FILE_ALL_ACCESS},
        {WellKnown(WinBuiltinUsersSid), FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
    };
    ASSERT_EQ(dacl->AceCount, std::size(expected));
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        SCOPED_TRACE(index);
        void* raw = nullptr;
        ASSERT_TRUE(GetAce(dacl, index, &raw));
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        EXPECT_EQ(ace->Mask, expected[index].mask);
        EXPECT_TRUE(
            EqualSid(&ace->SidStart, const_cast<unsigned char*>(expected[index].sid.data())));
    }
}

// The folder's DACL as SDDL, as the security functions read it back.
std::string DaclText(const std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return "<unreadable>";
    }
    char* text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                         DACL_SECURITY_INFORMATION, &text, nullptr);
    std::string result = text ? text : "<none>";
    LocalFree(text);
    LocalFree(descriptor);
    return result;
}

bool GrantsTo(const std::string& dacl, const std::string& trustee) {
    return dacl.find(";;;" + trustee + ")") != std::string::npos;
}

// Below C:\, where a plain new folder lets every user in.
TEST(ZipFolderSecurity, AFolderCreatedBelowADriveRootShutsOutEveryoneElse) {
    ScratchDir root("C:");
    ASSERT_TRUE(RemoveDirectoryA(root.path().c_str()));
    const std::string target = root.path() + "\\Quillmere";

    ASSERT_EQ(ExtractZip(FixturePath("payload.zip"), target, nullptr, nullptr), 1);

    std::string dacl = DaclText(root.path());
    SCOPED_TRACE(dacl);
    EXPECT_TRUE(GrantsTo(dacl, "SY"));
    EXPECT_FALSE(GrantsTo(dacl, "WD")) << "Everyone";
    EXPECT_FALSE(GrantsTo(dacl, "AU")) << "Authenticated Users";
    EXPECT_TRUE(IsFolder(target));
}

// The target itself, made under a name of ours beside it and moved into place.
TEST(ZipFolderSecurity, AMissingTargetBelowADriveRootShutsOutEveryoneElse) {
    ScratchDir root("C:");
    ASSERT_TRUE(RemoveDirectoryA(root.path().c_str()));

    ASSERT_EQ(ExtractZip(FixturePath("payload.zip"), root.path(), nullptr, nullptr), 1);

    std::string dacl = DaclText(root.path());
    SCOPED_TRACE(dacl);
    EXPECT_TRUE(GrantsTo(dacl, "SY"));
    EXPECT_FALSE(GrantsTo(dacl, "WD")) << "Everyone";
    EXPECT_FALSE(GrantsTo(dacl, "AU")) << "Authenticated Users";
    ExpectPayloadIn(root.path());
}

TEST(ZipFolderSecurity, AFolderThatExistedBelowADriveRootKeepsItsPermissions) {
    ScratchDir root("C:");
    const std::string before = DaclText(root.path());

    ASSERT_EQ(ExtractZip(FixturePath("payload.zip"), root.path() + "\\Quillmere", nullptr, nullptr),
              1);

    EXPECT_EQ(DaclText(root.path()), before);
}

TEST(ZipFolderSecurity, AFailedExtractionRemovesTheProtectedFolderItCreated) {
    ScratchDir root("C:");
    ASSERT_TRUE(RemoveDirectoryA(root.path().c_str()));

    EXPECT_EQ(ExtractZip(FixturePath("bad_crc.zip"), root.path() + "\\Quillmere", nullptr, nullptr),
              0);

    EXPECT_FALSE(Exists(root.path()));
}

} // namespace
