// Damaged payloads: setup_damaged_payload.exe is TessarkStudioSetup.exe with
// one bit flipped inside a compressed chunk (every chunk still decodes to its
// size, to different bytes) and the digest of the undamaged payload, so only
// the digest can tell; setup_bad_check_byte.exe has a wrong check byte in a
// chunk's buffer header; setup_renamed_file.exe has one letter of a path in
// its file table changed to another letter (the table still reads as sound,
// so again only the digest can tell). A silent install of any must fail with
// the damaged-installer message and leave no trace, while the real
// installer, whose digest matches, installs.
//
// ctest runs it twice: SilentInstallOf in a plain prefix, where our own
// decoder does the work (Wine's cabinet.dll has no Compression API), and
// SilentInstallThroughTheApi with the stand-in cabinet.dll of
// tests/win/payload/cabinet in the system folder, told to refuse or garble.
#include "common/core/product.h"
#include "common/owners.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr char kDamagedMessage[] = "The payload could not be decompressed - this installer may be damaged.";

class SilentInstallOf : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey); }

    ts::ProcessResult installInto(const wchar_t* installer, const std::wstring& folder) {
        const std::wstring setup = ts::binPath(installer);
        EXPECT_TRUE(ts::fileExists(setup)) << ts::narrow(setup);
        return ts::run(ts::quoted(setup) + L" /S --no-shell --no-desktop --no-startmenu " +
                       ts::quoted(L"--dir=" + folder));
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

    void expectInstalled(const wchar_t* installer) {
        const std::wstring folder = temp / L"Tessark Studio";
        const ts::ProcessResult result = installInto(installer, folder);
        ASSERT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        EXPECT_TRUE(ts::fileExists(folder + L"\\TessarkStudio.exe"));
        EXPECT_TRUE(ts::fileExists(folder + L"\\install-manifest.txt"));
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
    expectInstalled(L"TessarkStudioSetup.exe");
}

// ---- through the stand-in Compression API ----

// Puts the stand-in into the prefix's system folder, where the installer
// loads cabinet.dll from (ctest sets WINEDLLOVERRIDES cabinet=n for this run).
class SilentInstallThroughTheApi : public SilentInstallOf {
protected:
    void SetUp() override {
        SilentInstallOf::SetUp();
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        const std::wstring standIn = ts::binPath(L"test-cabinet\\cabinet.dll");
        ASSERT_TRUE(CopyFileW(standIn.c_str(), (std::wstring(system) + L"\\cabinet.dll").c_str(), FALSE))
            << "copying the stand-in cabinet.dll, error " << GetLastError();
        const win::UniqueModule cabinet = win::loadSystemLibrary(L"cabinet.dll");
        ASSERT_NE(GetProcAddress(cabinet.get(), "TestCabinetOpenHandles"), nullptr)
            << "Wine loads its own cabinet.dll; is WINEDLLOVERRIDES cabinet=n set?";
    }

    // What the stand-in did for the installer, one line per call.
    std::string cabinetLog() const { return ts::readFile(log).value_or(""); }

    std::wstring log = temp / L"cabinet.log";
    ts::ScopedVariable logSwitch{L"TS_TEST_CABINET_LOG", log};
};

struct ApiCase {
    const char* name;
    const wchar_t* installer;
    const wchar_t* cabinetSwitch;  // or null
    const wchar_t* value;
    bool installs;
    const char* logged;  // a line the stand-in must have logged
};

// The switches name the first chunk, which every payload has.
const ApiCase kApiCases[] = {
    {"no decompressor", L"TessarkStudioSetup.exe", L"TS_TEST_CABINET_REFUSE", L"1", true, "create refused\n"},
    {"refused chunk", L"TessarkStudioSetup.exe", L"TS_TEST_CABINET_REFUSE_CHUNK", L"1", true, "decompress refused\n"},
    {"garbled chunk", L"TessarkStudioSetup.exe", L"TS_TEST_CABINET_GARBLE_CHUNK", L"1", true, "decompress garbled\n"},
    {"damaged chunk that decodes", L"setup_damaged_payload.exe", nullptr, nullptr, false, "decompress\n"},
    {"chunk with a bad check byte", L"setup_bad_check_byte.exe", nullptr, nullptr, false, "decompress failed\n"},
};

TEST_F(SilentInstallThroughTheApi, OurDecoderMakesUpForTheApiButNotForADamagedPayload) {
    for (const ApiCase& test : kApiCases) {
        SCOPED_TRACE(test.name);
        DeleteFileW(log.c_str());
        std::optional<ts::ScopedVariable> cabinetSwitch;
        if (test.cabinetSwitch) cabinetSwitch.emplace(test.cabinetSwitch, test.value);
        if (test.installs) {
            expectInstalled(test.installer);
        } else {
            expectRefusedWithoutTrace(test.installer);
        }
        EXPECT_NE(cabinetLog().find(test.logged), std::string::npos) << cabinetLog();
        ts::removeTree(temp / L"Tessark Studio");
        RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey);
    }
}

}  // namespace
