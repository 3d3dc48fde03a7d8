// The registration steps read back through the same Windows interfaces that
// Explorer and the list of installed programs use.
#include "common/known_folders.h"
#include "install/registration.h"
#include "install/shortcuts.h"

#include "common/core/product.h"
#include "common/owners.h"
#include "common/process.h"
#include "readback.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

class ComTest : public ::testing::Test {
protected:
    win::ComApartment com;
};

using Shortcuts = ComTest;

TEST_F(Shortcuts, ReadBackWithTargetWorkingFolderDescriptionAndIcon) {
    ts::TempDir temp;
    const std::wstring app = temp / L"Tessark Studio\\TessarkStudio.exe";
    ASSERT_TRUE(ts::writeFile(app, "MZ"));
    const std::wstring shortcut = temp / L"Start Menu\\Programs\\Tessark Studio.lnk";  // folder missing
    ASSERT_TRUE(createShortcut(shortcut, app, temp / L"Tessark Studio", L"IDE for the Tessark gamemode"));

    const auto fields = readShortcut(shortcut);
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(fields->target, app);
    EXPECT_EQ(fields->workingFolder, temp / L"Tessark Studio");
    EXPECT_EQ(fields->description, L"IDE for the Tessark gamemode");
    EXPECT_EQ(fields->iconPath, app);
    EXPECT_EQ(fields->iconIndex, 0);
}

TEST_F(Shortcuts, ReplaceAnExistingShortcutOfTheSameName) {
    ts::TempDir temp;
    const std::wstring shortcut = temp / L"Tessark Studio.lnk";
    ASSERT_TRUE(createShortcut(shortcut, temp / L"old.exe", temp.path(), L"old"));
    ASSERT_TRUE(createShortcut(shortcut, temp / L"new.exe", temp.path(), L"new"));
    const auto fields = readShortcut(shortcut);
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(fields->target, temp / L"new.exe");
    EXPECT_EQ(fields->description, L"new");
}

TEST_F(Shortcuts, AreRecordedInTheManifestOnlyWhenSaved) {
    ts::TempDir temp;
    ASSERT_TRUE(ts::writeFile(temp / L"plain", "x"));
    const std::wstring app = temp / L"TessarkStudio.exe";
    const InstallOptions options{.installDir = temp.path()};
    std::string manifest = "a.txt\n";
    InstallContext context{app, options, manifest};

    addShortcut(context, L"");                      // the known folder was not found
    addShortcut(context, temp / L"plain\\Desktop");  // below a file: cannot be saved
    EXPECT_EQ(manifest, "a.txt\n");
    addShortcut(context, temp / L"Desktop");
    EXPECT_EQ(manifest, "a.txt\n@" + ts::narrow(temp / L"Desktop\\Tessark Studio.lnk") + "\n");
}

TEST_F(Shortcuts, KnownFoldersAreTheUsersOwnAndUnknownOnesEmpty) {
    const std::wstring desktop = knownFolderPath(FOLDERID_Desktop);
    const std::wstring programs = knownFolderPath(FOLDERID_Programs);
    EXPECT_FALSE(desktop.empty());
    EXPECT_TRUE(programs.ends_with(L"\\Start Menu\\Programs")) << ts::narrow(programs);
    constexpr KNOWNFOLDERID kNoSuchFolder = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(knownFolderPath(kNoSuchFolder), L"");
}

class UninstallEntry : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey); }

    std::optional<ts::RegistryValue> value(const wchar_t* name) const {
        return ts::readRegistryValue(HKEY_CURRENT_USER, product::kUninstallKey, name);
    }

    DWORD valueCount() const {
        win::UniqueKey key;
        DWORD count = 0;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, product::kUninstallKey, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
            RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                             nullptr, nullptr, nullptr);
        }
        return count;
    }
};

// Wine enumerates a key's values sorted by name, so the order of the writes
// cannot be seen here; the set, the types and the bytes can.
TEST_F(UninstallEntry, HoldsTheTenValuesWithExactTypesAndData) {
    writeUninstallEntry(L"C:\\Apps\\TS", 28801704);
    const struct {
        const wchar_t* name;
        DWORD type;
        std::vector<std::uint8_t> data;
    } expected[] = {
        {L"DisplayName", REG_SZ, stringData(L"Tessark Studio")},
        {L"DisplayVersion", REG_SZ, stringData(L"0.2.5")},
        {L"Publisher", REG_SZ, stringData(L"Tessark")},
        {L"DisplayIcon", REG_SZ, stringData(L"C:\\Apps\\TS\\TessarkStudio.exe")},
        {L"InstallLocation", REG_SZ, stringData(L"C:\\Apps\\TS")},
        {L"UninstallString", REG_SZ, stringData(L"\"C:\\Apps\\TS\\uninstall.exe\"")},
        {L"QuietUninstallString", REG_SZ, stringData(L"\"C:\\Apps\\TS\\uninstall.exe\" /S")},
        {L"NoModify", REG_DWORD, dwordData(1)},
        {L"NoRepair", REG_DWORD, dwordData(1)},
        {L"EstimatedSize", REG_DWORD, dwordData(28126)},
    };
    for (const auto& e : expected) {
        const auto actual = value(e.name);
        ASSERT_TRUE(actual.has_value()) << ts::narrow(e.name);
        EXPECT_EQ(actual->type, e.type) << ts::narrow(e.name);
        EXPECT_EQ(actual->data, e.data) << ts::narrow(e.name);
    }
    EXPECT_EQ(valueCount(), 10u);
}

TEST_F(UninstallEntry, AFolderWithATrailingBackslashGivesTheSameCommands) {
    writeUninstallEntry(L"C:\\Apps\\TS\\", 0);
    EXPECT_EQ(value(L"UninstallString")->text(), L"\"C:\\Apps\\TS\\uninstall.exe\"");
    EXPECT_EQ(value(L"QuietUninstallString")->text(), L"\"C:\\Apps\\TS\\uninstall.exe\" /S");
    EXPECT_EQ(value(L"DisplayIcon")->text(), L"C:\\Apps\\TS\\TessarkStudio.exe");
    EXPECT_EQ(value(L"InstallLocation")->text(), L"C:\\Apps\\TS\\");
}

TEST_F(UninstallEntry, EstimatedSizeIsWholeKibibytesRoundedDown) {
    const struct {
        std::uint64_t bytes;
        DWORD kib;
    } cases[] = {{0, 0}, {1023, 0}, {1024, 1}, {2047, 1}, {28801704, 28126}};
    for (const auto& c : cases) {
        writeUninstallEntry(L"C:\\TS", c.bytes);
        EXPECT_EQ(value(L"EstimatedSize")->dword(), c.kib) << c.bytes;
    }
}

TEST_F(UninstallEntry, OverwritesItsOwnValuesAndLeavesOthersAlone) {
    ASSERT_TRUE(ts::writeRegistryString(HKEY_CURRENT_USER, product::kUninstallKey, L"DisplayName", L"stale"));
    ASSERT_TRUE(ts::writeRegistryString(HKEY_CURRENT_USER, product::kUninstallKey, L"Comments", L"someone else's"));
    writeUninstallEntry(L"C:\\TS", 0);
    EXPECT_EQ(value(L"DisplayName")->text(), L"Tessark Studio");
    EXPECT_EQ(value(L"Comments")->text(), L"someone else's");
}

std::wstring systemProgram(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\" + name;
}

TEST(RunAndWait, GivesUpAtTheTimeOutOnAProgramThatKeepsRunning) {
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(runAndWait(systemProgram(L"cmd.exe"), L"/c ping -n 30 127.0.0.1", 1500));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 1400u);
    EXPECT_LT(elapsed, 10000u);
}

TEST(RunAndWait, IsTrueForAProgramThatEndsWhateverItsExitCode) {
    EXPECT_TRUE(runAndWait(systemProgram(L"cmd.exe"), L"/c exit 7", 20000));
}

TEST(RunAndWait, IsFalseForAProgramThatCannotStart) {
    ts::TempDir temp;
    EXPECT_FALSE(runAndWait(temp / L"missing.exe", L"", 1000));
}

TEST(RunAndWait, StartsTheQuotedPathWithItsOwnFolderAsCurrentFolder) {
    ts::TempDir temp;
    const std::wstring folder = temp / L"Tessark Studio";
    const std::wstring app = folder + L"\\TessarkStudio.exe";
    const auto bytes = ts::readFile(ts::binPath(L"TessarkStudio.exe"));
    ASSERT_TRUE(bytes.has_value());
    ASSERT_TRUE(ts::writeFile(app, *bytes));
    const std::wstring log = temp / L"launch-log.txt";
    SetEnvironmentVariableW(L"TS_SAMPLE_LAUNCH_LOG", log.c_str());
    const bool ended = runAndWait(app, L"--register-shell --quiet", 20000);
    SetEnvironmentVariableW(L"TS_SAMPLE_LAUNCH_LOG", nullptr);
    EXPECT_TRUE(ended);
    EXPECT_EQ(ts::readFile(log), ts::narrow(folder) + "\t\"" + ts::narrow(app) + "\" --register-shell --quiet\r\n");
}

}  // namespace
