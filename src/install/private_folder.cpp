#include "install/private_folder.h"

#include "common/file_io.h"
#include "common/guids.h"
#include "common/known_folders.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

namespace {

// The token's user as a SID string ("S-1-5-21-…"), empty when it cannot be read.
std::wstring currentUserSid() {
    win::UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size < sizeof(TOKEN_USER)) return {};
    std::vector<TOKEN_USER> buffer(size / sizeof(TOKEN_USER) + 1);  // TOKEN_USER's alignment for the SID after it
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(buffer.front().User.Sid, &text)) return {};
    const win::UniqueLocal owner(text);
    return text;
}

}  // namespace

win::UniqueLocal privateFolderDescriptor() {
    const std::wstring user = currentUserSid();
    if (user.empty()) return {};
    // O: owner; D:P a protected DACL; each ACE (A;OICI;FA;;;who) allows full
    // file access, inherited by subfolders (CI) and files (OI). SY is SYSTEM,
    // BA the Administrators group.
    const std::wstring sddl = L"O:" + user + L"D:P(A;OICI;FA;;;" + user + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    win::UniqueLocal descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, descriptor.put(),
                                                              nullptr)) {
        return {};
    }
    return descriptor;
}

bool isInUserProfile(const std::wstring& folder) {
    const std::wstring profile = knownFolderPath(guids::kFolderProfile);
    return !profile.empty() && isSameOrBelow(folder, profile);
}

bool createInstallFolder(const std::wstring& installDir) {
    if (isInUserProfile(installDir)) return ensureDirectory(installDir);
    const win::UniqueLocal descriptor = privateFolderDescriptor();
    if (!descriptor) return false;
    SECURITY_ATTRIBUTES security{sizeof(security), descriptor.get(), FALSE};
    return ensureDirectory(installDir, &security);
}
