// The registry look-ups against Wine's real registry: the string read, the
// WebView2 runtime's three registrations, and the default install folder
// with its recorded-folder and known-folder branches. Every test starts and
// ends with the keys it touches removed.
#include "common/core/paths.h"
#include "common/registry.h"
#include "platform/install_folder.h"
#include "platform/webview2.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr wchar_t kTestKey[] = L"Software\\TessarkPlatformTest";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessarkStudio";
constexpr wchar_t kRuntimeClient[] = L"\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";

void setValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    ASSERT_EQ(RegSetKeyValueW(root, key.c_str(), name, type, data, bytes), ERROR_SUCCESS);
}

// A string value with its terminating NUL, as Windows' own tools write it.
void setString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text,
               DWORD type = REG_SZ) {
    setValue(root, key, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

class ReadRegistryString : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }

    // The result, or "untouched" when the read failed and left the output alone.
    std::wstring read(const wchar_t* name = L"value") {
        std::wstring text = L"untouched";
        const bool ok = readRegistryString(HKEY_CURRENT_USER, kTestKey, name, text);
        EXPECT_EQ(ok, text != L"untouched");
        return text;
    }
};

TEST_F(ReadRegistryString, ReadsAStringValue) {
    setString(HKEY_CURRENT_USER, kTestKey, L"value", L"C:\\Users\\me\\Tessark Studio");
    EXPECT_EQ(read(), L"C:\\Users\\me\\Tessark Studio");
}

TEST_F(ReadRegistryString, ReadsAnEmptyStringAsEmpty) {
    setString(HKEY_CURRENT_USER, kTestKey, L"value", L"");
    std::wstring text = L"untouched";
    EXPECT_TRUE(readRegistryString(HKEY_CURRENT_USER, kTestKey, L"value", text));
    EXPECT_EQ(text, L"");
}

TEST_F(ReadRegistryString, LeavesTheOutputAloneWhenThereIsNoString) {
    EXPECT_EQ(read(), L"untouched") << "missing key";
    setString(HKEY_CURRENT_USER, kTestKey, L"other", L"x");
    EXPECT_EQ(read(), L"untouched") << "missing value";
    setString(HKEY_CURRENT_USER, kTestKey, L"value", L"%LOCALAPPDATA%\\Programs", REG_EXPAND_SZ);
    EXPECT_EQ(read(), L"untouched") << "REG_EXPAND_SZ";
    const DWORD number = 7;
    setValue(HKEY_CURRENT_USER, kTestKey, L"value", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(read(), L"untouched") << "REG_DWORD";
}

TEST_F(ReadRegistryString, TakesValuesUpToTheBufferAndRefusesLargerOnes) {
    const std::wstring fits(kRegistryStringUnits - 1, L'a');  // its NUL fills the last unit
    setString(HKEY_CURRENT_USER, kTestKey, L"value", fits);
    EXPECT_EQ(read(), fits);

    setString(HKEY_CURRENT_USER, kTestKey, L"value", fits + L"a");
    EXPECT_EQ(read(), L"untouched") << "one unit more than the buffer holds";
}

TEST_F(ReadRegistryString, StopsAtTheFirstNulAndNeverReadsPastTheBuffer) {
    const std::wstring withNul(L"abc\0def", 7);
    setValue(HKEY_CURRENT_USER, kTestKey, L"value", REG_SZ, withNul.c_str(), 7 * sizeof(wchar_t));
    EXPECT_EQ(read(), L"abc");

    // Data that fills the buffer exactly and carries no terminator at all.
    // RegSetValueExW adds a forgotten terminator when a NUL follows the
    // counted data, so the source goes on past the count.
    const std::wstring source(kRegistryStringUnits + 1, L'b');
    setValue(HKEY_CURRENT_USER, kTestKey, L"value", REG_SZ, source.c_str(), kRegistryStringUnits * sizeof(wchar_t));
    EXPECT_EQ(read(), source.substr(0, kRegistryStringUnits));
}

// The runtime's three registrations, in the order they are consulted.
enum Place { MachineWow64, Machine, User };

struct RuntimeEntry {
    Place place;
    std::wstring version;
    DWORD type = REG_SZ;
};

struct WebView2Case {
    const char* name;
    std::vector<RuntimeEntry> entries;
    bool installed;
};

HKEY rootOf(Place place) {
    return place == User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

std::wstring keyOf(Place place) {
    switch (place) {
    case MachineWow64: return std::wstring(L"SOFTWARE\\WOW6432Node") + kRuntimeClient;
    case Machine: return std::wstring(L"SOFTWARE") + kRuntimeClient;
    case User: return std::wstring(L"Software") + kRuntimeClient;
    }
    return {};
}

void removeRuntimeRegistrations() {
    for (Place place : {MachineWow64, Machine, User}) RegDeleteTreeW(rootOf(place), keyOf(place).c_str());
}

class WebView2Detection : public testing::TestWithParam<WebView2Case> {
protected:
    void SetUp() override { removeRuntimeRegistrations(); }
    void TearDown() override { removeRuntimeRegistrations(); }
};

TEST_P(WebView2Detection, FindsTheRuntimeOnlyWithARealVersion) {
    for (const RuntimeEntry& entry : GetParam().entries) {
        setString(rootOf(entry.place), keyOf(entry.place), L"pv", entry.version, entry.type);
    }
    EXPECT_EQ(isWebView2Installed(), GetParam().installed);
}

const std::wstring kTooLong(2000, L'1');

INSTANTIATE_TEST_SUITE_P(
    Registrations, WebView2Detection,
    testing::Values(
        WebView2Case{"NothingRegistered", {}, false},
        WebView2Case{"MachineWide32BitView", {{MachineWow64, L"120.0.2210.91"}}, true},
        WebView2Case{"MachineWide", {{Machine, L"120.0.2210.91"}}, true},
        WebView2Case{"PerUserOnly", {{User, L"120.0.2210.91"}}, true},
        WebView2Case{"ZeroVersionEverywhere",
                     {{MachineWow64, L"0.0.0.0"}, {Machine, L"0.0.0.0"}, {User, L"0.0.0.0"}}, false},
        WebView2Case{"ZeroVersionFollowedByASpaceIsAVersion", {{MachineWow64, L"0.0.0.0 "}}, true},
        WebView2Case{"EmptyFirstAndRealLater", {{MachineWow64, L""}, {User, L"119.0.2151.97"}}, true},
        WebView2Case{"EmptyOnly", {{MachineWow64, L""}, {Machine, L""}}, false},
        WebView2Case{"ZeroFirstAndRealSecond", {{MachineWow64, L"0.0.0.0"}, {Machine, L"118.0.1"}}, true},
        WebView2Case{"ExpandableString", {{MachineWow64, L"120.0.2210.91", REG_EXPAND_SZ}}, false},
        WebView2Case{"VersionTooLongForTheBuffer", {{User, kTooLong}}, false}),
    [](const testing::TestParamInfo<WebView2Case>& info) { return std::string(info.param.name); });

class DefaultInstallDir : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey); }

    void recordInstallLocation(const std::wstring& folder, DWORD type = REG_SZ) {
        setString(HKEY_CURRENT_USER, kUninstallKey, L"InstallLocation", folder, type);
    }
};

// A shell that knows both folders, or only one of them, or none.
std::wstring shellWithBoth(const KNOWNFOLDERID& id) {
    if (id == FOLDERID_UserProgramFiles) return L"C:\\Users\\me\\AppData\\Local\\Programs";
    if (id == FOLDERID_LocalAppData) return L"C:\\Elsewhere";
    return L"C:\\Unexpected";
}

std::wstring shellWithLocalAppDataOnly(const KNOWNFOLDERID& id) {
    return id == FOLDERID_LocalAppData ? L"C:\\Users\\me\\AppData\\Local" : L"";
}

std::wstring shellWithNothing(const KNOWNFOLDERID&) {
    return L"";
}

TEST_F(DefaultInstallDir, IsTheRecordedFolderExactlyAsRecorded) {
    recordInstallLocation(L"Q:\\No Longer There\\Tessark Studio\\");
    EXPECT_EQ(defaultInstallDir(shellWithBoth), L"Q:\\No Longer There\\Tessark Studio\\");
    EXPECT_EQ(defaultInstallDir(), L"Q:\\No Longer There\\Tessark Studio\\");
}

TEST_F(DefaultInstallDir, IgnoresARecordThatIsMissingEmptyOrExpandable) {
    const std::wstring perUser = L"C:\\Users\\me\\AppData\\Local\\Programs\\Tessark Studio";
    EXPECT_EQ(defaultInstallDir(shellWithBoth), perUser) << "no uninstall entry";
    setString(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName", L"Tessark Studio");
    EXPECT_EQ(defaultInstallDir(shellWithBoth), perUser) << "no InstallLocation";
    recordInstallLocation(L"");
    EXPECT_EQ(defaultInstallDir(shellWithBoth), perUser) << "empty InstallLocation";
    recordInstallLocation(L"D:\\Apps\\Tessark Studio", REG_EXPAND_SZ);
    EXPECT_EQ(defaultInstallDir(shellWithBoth), perUser) << "REG_EXPAND_SZ InstallLocation";
}

TEST_F(DefaultInstallDir, FallsBackToProgramsUnderLocalAppData) {
    EXPECT_EQ(defaultInstallDir(shellWithLocalAppDataOnly),
              L"C:\\Users\\me\\AppData\\Local\\Programs\\Tessark Studio");
    EXPECT_EQ(defaultInstallDir(shellWithNothing), L"Programs\\Tessark Studio");
}

// What Wine's shell gives: it has no per-user Programs folder, so the
// LocalAppData fallback is what runs here (a shell that has one is covered above).
TEST_F(DefaultInstallDir, UsesTheRealShellFolders) {
    wchar_t* localAppData = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localAppData));
    const std::wstring expectedFallback = std::wstring(localAppData) + L"\\Programs\\Tessark Studio";
    CoTaskMemFree(localAppData);

    wchar_t* userPrograms = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_UserProgramFiles, 0, nullptr, &userPrograms))) {
        const std::wstring expected = std::wstring(userPrograms) + L"\\Tessark Studio";
        CoTaskMemFree(userPrograms);
        EXPECT_EQ(defaultInstallDir(), expected);
    } else {
        EXPECT_EQ(defaultInstallDir(), expectedFallback);
    }
}

}  // namespace
