#include "platform/zip/security.h"

#include <optional>

#include "platform/scoped_win.h"
#include "platform/zip/names.h"

namespace {

using Sid = std::vector<unsigned char>;

constexpr DWORD kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
constexpr DWORD kReadAndExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::optional<Sid> WellKnownSid(WELL_KNOWN_SID_TYPE type) {
    Sid sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size))
        return std::nullopt;
    sid.resize(size);
    return sid;
}

std::optional<Sid> InstallingUserSid() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return std::nullopt;
    UniqueHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size))
        return std::nullopt;
    PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    if (!IsValidSid(user))
        return std::nullopt;
    auto* bytes = static_cast<unsigned char*>(user);
    return Sid(bytes, bytes + GetLengthSid(user));
}

struct Grant {
    std::optional<Sid> sid;
    DWORD access;
};

std::vector<unsigned char> BuildAcl(const std::vector<Grant>& grants) {
    DWORD size = sizeof(ACL);
    for (const Grant& grant : grants)
        size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + static_cast<DWORD>(grant.sid->size());
    std::vector<unsigned char> acl(size);
    auto* list = reinterpret_cast<ACL*>(acl.data());
    if (!InitializeAcl(list, size, ACL_REVISION))
        return {};
    for (const Grant& grant : grants) {
        if (!AddAccessAllowedAceEx(list, ACL_REVISION, kInherited, grant.access,
                                   const_cast<unsigned char*>(grant.sid->data()))) {
            return {};
        }
    }
    return acl;
}

} // namespace

bool IsDirectlyBelowDriveRoot(std::string_view folder) {
    if (folder.starts_with("\\\\?\\"))
        folder.remove_prefix(4);
    if (folder.size() < 4 || !IsDriveLetter(folder[0]) || folder[1] != ':' ||
        !IsSeparator(folder[2])) {
        return false;
    }
    std::string_view name = folder.substr(3);
    for (size_t at = 0; at < name.size(); at += GbkCharLength(name, at)) {
        if (IsSeparator(name[at]))
            return false;
    }
    return true;
}

ProtectedFolderSecurity::ProtectedFolderSecurity() {
    const std::vector<Grant> grants = {
        {WellKnownSid(WinLocalSystemSid), FILE_ALL_ACCESS},
        {WellKnownSid(WinBuiltinAdministratorsSid), FILE_ALL_ACCESS},
        {InstallingUserSid(), FILE_ALL_ACCESS},
        {WellKnownSid(WinBuiltinUsersSid), kReadAndExecute},
    };
    for (const Grant& grant : grants) {
        if (!grant.sid)
            return;
    }
    acl_ = BuildAcl(grants);
    if (acl_.empty() || !InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, reinterpret_cast<ACL*>(acl_.data()),
                                   FALSE) ||
        !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        return;
    }
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    valid_ = true;
}
