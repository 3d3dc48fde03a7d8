// The permissions an install folder outside the user's profile is created
// with, read back through the security API from the descriptor itself (a
// folder's own descriptor under Wine depends on the file system: the
// end-to-end test looks at that loosely).
#include "install/private_folder.h"

#include "common/known_folders.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <vector>

namespace {

std::vector<std::uint8_t> tokenUser() {
    win::UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<std::uint8_t> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    return buffer;
}

std::vector<std::uint8_t> wellKnownSid(WELL_KNOWN_SID_TYPE type) {
    std::vector<std::uint8_t> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size)) return {};
    sid.resize(size);
    return sid;
}

TEST(PrivateFolderDescriptor, IsOwnedByTheUserAndGrantsFullControlToUserSystemAndAdministratorsOnly) {
    const win::UniqueLocal descriptor = privateFolderDescriptor();
    ASSERT_TRUE(descriptor);
    ASSERT_TRUE(IsValidSecurityDescriptor(descriptor.get()));
    const std::vector<std::uint8_t> user = tokenUser();
    ASSERT_FALSE(user.empty());
    const PSID userSid = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;

    PSID owner = nullptr;
    BOOL ownerDefaulted = TRUE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor.get(), &owner, &ownerDefaulted));
    ASSERT_NE(owner, nullptr);
    EXPECT_TRUE(EqualSid(owner, userSid));

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor.get(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "nothing inherited from the parent folder";

    BOOL present = FALSE;
    BOOL daclDefaulted = TRUE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &daclDefaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(dacl, nullptr) << "a null DACL would let everyone in";
    const std::vector<std::uint8_t> system = wellKnownSid(WinLocalSystemSid);
    const std::vector<std::uint8_t> administrators = wellKnownSid(WinBuiltinAdministratorsSid);
    const PSID expected[] = {userSid, const_cast<std::uint8_t*>(system.data()),
                             const_cast<std::uint8_t*>(administrators.data())};
    ASSERT_EQ(dacl->AceCount, 3u);
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        SCOPED_TRACE(i);
        void* raw = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &raw));
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        // For everything below the folder, and not inherited itself.
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        EXPECT_EQ(ace->Mask, static_cast<ACCESS_MASK>(FILE_ALL_ACCESS));
        EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&ace->SidStart), expected[i]));
    }
}

TEST(IsInUserProfile, HoldsForTheProfileAndBelowItOnly) {
    const std::wstring profile = knownFolderPath(FOLDERID_Profile);
    ASSERT_FALSE(profile.empty());
    std::wstring upper = profile;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    const struct {
        std::wstring folder;
        bool inside;
    } cases[] = {
        {profile, true},
        {profile + L"\\", true},
        {profile + L"\\AppData\\Local\\Programs\\Tessark Studio", true},
        {upper + L"\\Apps", true},
        {profile + L"\\Apps\\..\\..\\Tessark Studio", false},
        {profile + L"2\\Tessark Studio", false},
        {profile.substr(0, 3) + L"Tessark Studio", false},
        {L"D:\\Apps\\Tessark Studio", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isInUserProfile(c.folder), c.inside) << ts::narrow(c.folder);
}

}  // namespace
