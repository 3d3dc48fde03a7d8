// Damaged payloads: setup_damaged_payload.exe is TessarkStudioSetup.exe with
// one bit flipped inside a compressed chunk (every chunk still decodes to its
// size, to different bytes) and the digest of the undamaged payload, so only
// the digest can tell; setup_bad_check_byte.exe has a wrong check byte in a
// chunk's buffer header; setup_renamed_file.exe has one letter of a path in
// its file table changed to another letter (the table still reads as sound,
// so again only the digest can tell). A silent install of any must fail with
// the damaged-installer message and leave no trace, while the real
// installer, whose digest matches, installs.
#include "common/core/product.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kDamagedMessage[] = "The payload could not be decompressed - this installer may be damaged.";

std::wstring inQuotes(const std::wstring& text) { return L"\"" + text + L"\""; }

class SilentInstallOf : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey); }

    ts::ProcessResult installInto(const wchar_t* installer, const std::wstring& folder) {
        const std::wstring setup = ts::binPath(installer);
        EXPECT_TRUE(ts::fileExists(setup)) << ts::narrow(setup);
        return ts::run(inQuotes(setup) + L" /S --no-shell --no-desktop --no-startmenu " +
                       inQuotes(L"--dir=" + folder));
    }

    // A refused install: exit 1, the damaged-installer message, and no trace.
    void expectRefusedWithoutTrace(const wchar_t* installer) {
        const std::wstring folder = temp / L"Tessark Studio";
        const ts::ProcessResult result = installInto(installer, folder);
        ASSERT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 1u) << result.output;
        EXPECT_NE(result.output.find(kDamagedMessage), std::string::npos) << result.output;
        EXPECT_FALSE(ts::directoryExists(folder)) << "the install folder must not be created";
        EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey));
    }

    ts::TempDir temp;
};

TEST_F(SilentInstallOf, DamagedPayloadExitsOneWithTheMessageAndWritesNothing) {
    expectRefusedWithoutTrace(L"setup_damaged_payload.exe");
}

TEST_F(SilentInstallOf, ChunkWithABadHeaderCheckByteExitsOneAndWritesNothing) {
    expectRefusedWithoutTrace(L"setup_bad_check_byte.exe");
}

TEST_F(SilentInstallOf, FileTableWithAPathLetterChangedExitsOneAndWritesNothing) {
    expectRefusedWithoutTrace(L"setup_renamed_file.exe");
}

TEST_F(SilentInstallOf, TheUndamagedPayloadWithItsDigestInstalls) {
    const std::wstring folder = temp / L"Tessark Studio";
    const ts::ProcessResult result = installInto(L"TessarkStudioSetup.exe", folder);
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(ts::fileExists(folder + L"\\TessarkStudio.exe"));
    EXPECT_TRUE(ts::fileExists(folder + L"\\install-manifest.txt"));
}

}  // namespace
