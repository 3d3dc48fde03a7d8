// Whole silent installs made by the built TessarkStudioSetup.exe with the
// sample application's payload, checked through the files on disk, the shell
// link objects and the registry, as Explorer and the list of installed
// programs would see them.
#include "common/core/product.h"
#include "common/file_io.h"
#include "common/known_folders.h"
#include "common/owners.h"
#include "install/core/manifest.h"
#include "install/registration.h"
#include "readback.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

constexpr wchar_t kFolderVerb[] = L"Software\\Classes\\Directory\\shell\\TessarkStudio";
constexpr wchar_t kBackgroundVerb[] = L"Software\\Classes\\Directory\\Background\\shell\\TessarkStudio";
constexpr wchar_t kStillRunningHint[] = L"If Tessark Studio is still running, close it and try again.";

std::wstring startMenuShortcut() { return knownFolderPath(FOLDERID_Programs) + L"\\Tessark Studio.lnk"; }
std::wstring desktopShortcut() { return knownFolderPath(FOLDERID_Desktop) + L"\\Tessark Studio.lnk"; }

// Under Wine the per-user Programs folder is not offered, so the default
// falls back to LocalAppData\Programs.
std::wstring defaultInstallFolder() {
    std::wstring base = knownFolderPath(FOLDERID_UserProgramFiles);
    if (base.empty()) base = knownFolderPath(FOLDERID_LocalAppData) + L"\\Programs";
    return base + L"\\Tessark Studio";
}

void collectFiles(const std::wstring& folder, const std::string& prefix, std::map<std::string, std::string>& files) {
    WIN32_FIND_DATAW found;
    win::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::string path = prefix + wideToUtf8(name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            collectFiles(folder + L"\\" + name, path + "/", files);
        } else {
            files[path] = ts::readFile(folder + L"\\" + name).value_or("<unreadable>");
        }
    } while (FindNextFileW(find.get(), &found));
}

// What the payload holds: the sample folder, plus the stand-in application
// and the uninstaller this build made. Path ('/') → bytes.
std::map<std::string, std::string> sampleFiles() {
    std::map<std::string, std::string> files;
    collectFiles(ts::sourcePath(L"sample-app/app"), "", files);
    files["TessarkStudio.exe"] = ts::readFile(ts::binPath(L"TessarkStudio.exe")).value_or("");
    files["uninstall.exe"] = ts::readFile(ts::binPath(L"uninstall.exe")).value_or("");
    return files;
}

// The file lines a manifest must hold, in table order: the application, the
// uninstaller, then every other path in ascending byte order.
std::string manifestFileLines(const std::map<std::string, std::string>& files) {
    std::string lines = "TessarkStudio.exe\nuninstall.exe\n";
    for (const auto& [path, bytes] : files) {  // std::map orders std::string bytewise, as unsigned chars
        if (path != "TessarkStudio.exe" && path != "uninstall.exe") lines += path + "\n";
    }
    return lines;
}

std::wstring windowsPath(const std::wstring& folder, const std::string& payloadPath) {
    std::wstring path = folder + L"\\" + utf8ToWide(payloadPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

class SilentInstall : public ::testing::Test {
protected:
    void SetUp() override {
        // One Wine prefix serves every test of this program: start each from
        // a machine without an install.
        RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey);
        RegDeleteTreeW(HKEY_CURRENT_USER, kFolderVerb);
        RegDeleteTreeW(HKEY_CURRENT_USER, kBackgroundVerb);
        DeleteFileW(startMenuShortcut().c_str());
        DeleteFileW(desktopShortcut().c_str());
        ts::removeTree(defaultInstallFolder());
        ASSERT_TRUE(ts::fileExists(setup)) << "build TessarkStudioSetup first";
    }

    void TearDown() override {
        SetEnvironmentVariableW(L"TS_SAMPLE_LAUNCH_LOG", nullptr);
        SetEnvironmentVariableW(L"TS_SAMPLE_SLOW_REGISTER", nullptr);
    }

    ts::ProcessResult install(const std::wstring& arguments, const std::wstring& currentDir = L"") {
        return ts::run(ts::quoted(setup) + L" " + arguments, 120000, currentDir);
    }

    std::optional<ts::RegistryValue> entry(const wchar_t* name) const {
        return ts::readRegistryValue(HKEY_CURRENT_USER, product::kUninstallKey, name);
    }

    std::optional<std::string> manifestIn(const std::wstring& folder) const {
        return ts::readFile(folder + L"\\install-manifest.txt");
    }

    // The manifest an install into `folder` writes with the given shortcuts.
    std::string expectedManifest(bool startMenu, bool desktop) const {
        std::string text = std::string(kManifestHeader) + manifestFileLines(files);
        if (startMenu) text += "@" + wideToUtf8(startMenuShortcut()) + "\n";
        if (desktop) text += "@" + wideToUtf8(desktopShortcut()) + "\n";
        return text;
    }

    win::ComApartment com;
    const std::wstring setup = ts::binPath(L"TessarkStudioSetup.exe");
    const std::map<std::string, std::string> files = sampleFiles();
    ts::TempDir temp;
};

TEST_F(SilentInstall, InstallsEverythingIntoTheDefaultFolder) {
    const ts::ProcessResult result = install(L"/S");
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    const std::wstring folder = defaultInstallFolder();

    std::uint64_t totalBytes = 0;
    for (const auto& [path, bytes] : files) {
        EXPECT_EQ(ts::readFile(windowsPath(folder, path)), bytes) << path;
        totalBytes += bytes.size();
    }
    EXPECT_EQ(manifestIn(folder), expectedManifest(true, true));

    const std::wstring app = folder + L"\\TessarkStudio.exe";
    for (const std::wstring& shortcut : {startMenuShortcut(), desktopShortcut()}) {
        const auto fields = readShortcut(shortcut);
        ASSERT_TRUE(fields.has_value()) << ts::narrow(shortcut);
        EXPECT_EQ(fields->target, app);
        EXPECT_EQ(fields->workingFolder, folder);
        EXPECT_EQ(fields->description, L"IDE for the Tessark gamemode");
        EXPECT_EQ(fields->iconPath, app);
        EXPECT_EQ(fields->iconIndex, 0);
    }

    const std::wstring uninstaller = ts::quoted(folder + L"\\uninstall.exe");
    const struct {
        const wchar_t* name;
        DWORD type;
        std::vector<std::uint8_t> data;
    } values[] = {
        {L"DisplayName", REG_SZ, stringData(L"Tessark Studio")},
        {L"DisplayVersion", REG_SZ, stringData(L"0.2.5")},
        {L"Publisher", REG_SZ, stringData(L"Tessark")},
        {L"DisplayIcon", REG_SZ, stringData(app)},
        {L"InstallLocation", REG_SZ, stringData(folder)},
        {L"UninstallString", REG_SZ, stringData(uninstaller)},
        {L"QuietUninstallString", REG_SZ, stringData(uninstaller + L" /S")},
        {L"NoModify", REG_DWORD, dwordData(1)},
        {L"NoRepair", REG_DWORD, dwordData(1)},
        {L"EstimatedSize", REG_DWORD, dwordData(static_cast<DWORD>(totalBytes >> 10))},
    };
    for (const auto& v : values) {
        const auto actual = entry(v.name);
        ASSERT_TRUE(actual.has_value()) << ts::narrow(v.name);
        EXPECT_EQ(actual->type, v.type) << ts::narrow(v.name);
        EXPECT_EQ(actual->data, v.data) << ts::narrow(v.name);
    }
    EXPECT_TRUE(ts::registryKeyExists(HKEY_CURRENT_USER, kFolderVerb));
    EXPECT_TRUE(ts::registryKeyExists(HKEY_CURRENT_USER, kBackgroundVerb));
}

TEST_F(SilentInstall, TakesTheFolderFromDirWithOrWithoutATrailingBackslash) {
    const struct {
        std::wstring given;
        std::wstring folder;
    } cases[] = {
        {temp / L"Plain", temp / L"Plain"},
        {temp / L"Trailing\\", temp / L"Trailing"},
    };
    for (const auto& c : cases) {
        const ts::ProcessResult result = install(L"/S --no-shell " + ts::quoted(L"--dir=" + c.given));
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        EXPECT_EQ(ts::readFile(c.folder + L"\\index.html"), files.at("index.html"));
        EXPECT_EQ(entry(L"InstallLocation")->text(), c.given);
        EXPECT_EQ(entry(L"UninstallString")->text(), ts::quoted(c.folder + L"\\uninstall.exe"));
        EXPECT_EQ(entry(L"QuietUninstallString")->text(), ts::quoted(c.folder + L"\\uninstall.exe") + L" /S");
        EXPECT_EQ(entry(L"DisplayIcon")->text(), c.folder + L"\\TessarkStudio.exe");
    }
}

// Relative, drive-relative ("C:rel", against the current folder of that
// drive, which is the current folder) and dotted folders are installed into
// and recorded as the absolute folder they name.
TEST_F(SilentInstall, MakesTheDirAbsoluteAgainstTheCurrentFolder) {
    const std::wstring drive = temp.path().substr(0, 2);
    const struct {
        std::wstring given;
        std::wstring folder;
    } cases[] = {
        {L"rel\\Studio", temp / L"rel\\Studio"},
        {drive + L"drive-rel\\Studio", temp / L"drive-rel\\Studio"},
        {temp / L"x\\..\\.\\Dotted", temp / L"Dotted"},
    };
    for (const auto& c : cases) {
        const ts::ProcessResult result = install(L"/S --no-shell " + ts::quoted(L"--dir=" + c.given), temp.path());
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        EXPECT_EQ(ts::readFile(c.folder + L"\\TessarkStudio.exe"), files.at("TessarkStudio.exe"));
        EXPECT_EQ(entry(L"InstallLocation")->text(), c.folder);
        EXPECT_EQ(readShortcut(desktopShortcut())->target, c.folder + L"\\TessarkStudio.exe");
        EXPECT_EQ(readShortcut(desktopShortcut())->workingFolder, c.folder);
    }
}

TEST_F(SilentInstall, ShortcutSwitchesDropOnlyTheirOwnShortcutAndLine) {
    const struct {
        const wchar_t* switches;
        bool startMenu;
        bool desktop;
    } cases[] = {
        {L"--no-desktop", true, false},
        {L"--no-startmenu", false, true},
        {L"--no-desktop --no-startmenu", false, false},
    };
    for (const auto& c : cases) {
        DeleteFileW(startMenuShortcut().c_str());
        DeleteFileW(desktopShortcut().c_str());
        const std::wstring folder = temp / (L"case-" + std::to_wstring(c.startMenu) + std::to_wstring(c.desktop));
        const ts::ProcessResult result = install(L"/S --no-shell " + std::wstring(c.switches) + L" " +
                                                 ts::quoted(L"--dir=" + folder));
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        EXPECT_EQ(ts::fileExists(startMenuShortcut()), c.startMenu) << ts::narrow(c.switches);
        EXPECT_EQ(ts::fileExists(desktopShortcut()), c.desktop) << ts::narrow(c.switches);
        EXPECT_EQ(manifestIn(folder), expectedManifest(c.startMenu, c.desktop)) << ts::narrow(c.switches);
    }
}

TEST_F(SilentInstall, NoShellLeavesTheExplorerEntriesAlone) {
    const std::wstring log = temp / L"launch-log.txt";
    SetEnvironmentVariableW(L"TS_SAMPLE_LAUNCH_LOG", log.c_str());
    const ts::ProcessResult result = install(L"/S --no-shell " + ts::quoted(L"--dir=" + (temp / L"Studio")));
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, kFolderVerb));
    EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, kBackgroundVerb));
    EXPECT_FALSE(ts::fileExists(log));  // the application was never started
}

TEST_F(SilentInstall, RelaunchStartsTheApplicationFromTheInstallFolderAndOnlyThen) {
    const std::wstring folder = temp / L"Studio";
    const std::wstring log = temp / L"launch-log.txt";
    SetEnvironmentVariableW(L"TS_SAMPLE_LAUNCH_LOG", log.c_str());

    // Without --relaunch only the Explorer-entries run starts the application.
    ASSERT_EQ(install(L"/S " + ts::quoted(L"--dir=" + folder)).exitCode, 0u);
    const std::string registerLine = ts::narrow(folder) + "\t" + ts::narrow(ts::quoted(folder + L"\\TessarkStudio.exe")) +
                                     " --register-shell --quiet\r\n";
    EXPECT_EQ(ts::readFile(log), registerLine);
    EXPECT_EQ(FindWindowW(product::kAppWindowClass, nullptr), nullptr);

    DeleteFileW(log.c_str());
    // ts::run would wait for the started application too, should it inherit
    // the output pipe; a plain child does not capture anything.
    ts::Child setupRun(ts::quoted(setup) + L" /S --no-shell --relaunch " + ts::quoted(L"--dir=" + folder));
    ASSERT_EQ(setupRun.wait(120000), std::optional<DWORD>(0));
    const HWND window = ts::waitForWindow(product::kAppWindowClass, nullptr, 20000);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ts::waitUntil([&] { return ts::readFile(log).has_value(); }, 5000));
    EXPECT_TRUE(ts::readFile(log)->starts_with(ts::narrow(folder) + "\t")) << *ts::readFile(log);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(ts::waitUntil([] { return FindWindowW(product::kAppWindowClass, nullptr) == nullptr; }, 10000));
}

TEST_F(SilentInstall, ReinstallOverwritesEveryFileAndKeepsTheManifest) {
    const std::wstring folder = temp / L"Studio";
    const std::wstring arguments = L"/S --no-shell " + ts::quoted(L"--dir=" + folder);
    ASSERT_EQ(install(arguments).exitCode, 0u);
    const auto firstManifest = manifestIn(folder);
    ASSERT_TRUE(ts::writeFile(windowsPath(folder, "index.html"), "edited by hand, and longer than before"));
    ASSERT_TRUE(ts::writeFile(windowsPath(folder, "web/css/app.css"), ""));

    const ts::ProcessResult result = install(arguments);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(manifestIn(folder), firstManifest);
    for (const auto& [path, bytes] : files) EXPECT_EQ(ts::readFile(windowsPath(folder, path)), bytes) << path;
}

// Two versions of a small application (tests/win/install/CMakeLists.txt):
// the second drops web/old.css and the folder plugins, adds web/new.css and
// spells Readme.txt as README.txt. The first is installed with both
// shortcuts, the second over it without the desktop one, then the
// registered uninstaller runs: nothing of either version may be left.
TEST_F(SilentInstall, UpdateRemovesWhatTheOldVersionWroteAndTheNewOneDoesNot) {
    const std::wstring v1 = ts::quoted(ts::binPath(L"setup_update_v1.exe"));
    const std::wstring v2 = ts::quoted(ts::binPath(L"setup_update_v2.exe"));
    const std::wstring fresh = temp / L"Fresh";
    ASSERT_EQ(ts::run(v2 + L" /S --no-shell --no-desktop " + ts::quoted(L"--dir=" + fresh)).exitCode, 0u);
    const std::string freshManifest = manifestIn(fresh).value_or("");
    ASSERT_NE(freshManifest.find("README.txt\n"), std::string::npos) << freshManifest;

    const std::wstring folder = temp / L"Studio";
    const std::wstring stale = folder + L"\\web\\old.css";
    for (const bool holdStaleFile : {false, true}) {
        SCOPED_TRACE(holdStaleFile ? "a stale file held open" : "nothing held");
        ASSERT_EQ(ts::run(v1 + L" /S --no-shell " + ts::quoted(L"--dir=" + folder)).exitCode, 0u);
        ASSERT_TRUE(ts::fileExists(desktopShortcut()));
        ASSERT_TRUE(ts::fileExists(folder + L"\\plugins\\legacy.dll"));
        win::UniqueFile holder;
        if (holdStaleFile) {
            holder.reset(CreateFileW(stale.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(holder);
        }

        const ts::ProcessResult update = ts::run(v2 + L" /S --no-shell --no-desktop " + ts::quoted(L"--dir=" + folder));
        EXPECT_EQ(update.exitCode, 0u) << update.output;
        EXPECT_EQ(ts::readFile(folder + L"\\README.txt"), "version 2, longer\n");
        EXPECT_EQ(ts::readFile(folder + L"\\web\\new.css"), "new\n");
        EXPECT_FALSE(ts::directoryExists(folder + L"\\plugins"));
        EXPECT_EQ(ts::fileExists(stale), holdStaleFile);
        EXPECT_FALSE(ts::fileExists(desktopShortcut()));
        EXPECT_TRUE(ts::fileExists(startMenuShortcut()));
        std::string expected = freshManifest;
        if (holdStaleFile) expected.insert(expected.find("\n@") + 1, "web/old.css\n");
        EXPECT_EQ(manifestIn(folder), expected);
        holder.reset();

        const auto quietUninstall = entry(L"QuietUninstallString");
        ASSERT_TRUE(quietUninstall.has_value());
        ts::Child uninstall(quietUninstall->text());
        EXPECT_EQ(uninstall.wait(120000), std::optional<DWORD>(0));
        EXPECT_TRUE(ts::waitUntil([&] { return !ts::directoryExists(folder); }, 20000)) << "files were left";
        EXPECT_FALSE(ts::fileExists(startMenuShortcut()));
        EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey));
    }
}

TEST_F(SilentInstall, AFileHeldOpenFailsWithTheHintAndWritesNothingAfterIt) {
    const std::wstring folder = temp / L"Studio";
    const std::wstring arguments = L"/S --no-shell " + ts::quoted(L"--dir=" + folder);
    ASSERT_EQ(install(arguments).exitCode, 0u);
    const auto previousManifest = manifestIn(folder);
    RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey);
    // index.html stands early in the table; the last path comes after it.
    const std::string lastPath = std::prev(files.end())->first;
    ASSERT_GT(lastPath, std::string("index.html"));
    const std::wstring last = windowsPath(folder, lastPath);
    ASSERT_TRUE(DeleteFileW(last.c_str()));
    const std::wstring held = windowsPath(folder, "index.html");
    win::UniqueFile holder(CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);

    const ts::ProcessResult result = install(arguments);
    holder.reset();
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.output.find("Could not write " + ts::narrow(held)), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(ts::narrow(kStillRunningHint)), std::string::npos) << result.output;
    EXPECT_FALSE(ts::fileExists(last));
    EXPECT_EQ(manifestIn(folder), previousManifest);
    EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey));
}

TEST_F(SilentInstall, AnInstallFolderThatCannotBeCreatedFailsWithItsName) {
    ASSERT_TRUE(ts::writeFile(temp / L"plain-file", "x"));
    std::wstring missingDrive;
    for (wchar_t letter = L'Y'; letter > L'D' && missingDrive.empty(); --letter) {
        if (!(GetLogicalDrives() & (1u << (letter - L'A')))) missingDrive = std::wstring(1, letter) + L":";
    }
    ASSERT_FALSE(missingDrive.empty());
    for (const std::wstring& folder : {temp / L"plain-file\\Studio", missingDrive + L"\\Apps\\Studio"}) {
        const ts::ProcessResult result = install(L"/S " + ts::quoted(L"--dir=" + folder));
        EXPECT_EQ(result.exitCode, 1u) << ts::narrow(folder);
        EXPECT_NE(result.output.find("Could not create " + ts::narrow(folder)), std::string::npos) << result.output;
        EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey));
    }
}

// A folder's DACL as Windows reads it back, in SDDL; empty when unreadable.
std::wstring daclText(const std::wstring& folder) {
    DWORD size = 0;
    GetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<std::uint8_t> descriptor(size);
    if (size == 0 || !GetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size)) {
        return {};
    }
    wchar_t* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1,
                                                              DACL_SECURITY_INFORMATION, &text, nullptr)) {
        return {};
    }
    const win::UniqueLocal owner(text);
    return text;
}

// A folder made outside the profile shuts other users out. How Wine reads a
// folder's descriptor back depends on the file system (on a Unix one it
// comes from the permission bits), so this only asks that no ACE name
// Everyone (WD), Users (BU) or Authenticated Users (AU); the descriptor
// itself is checked through the API in the install tests.
TEST_F(SilentInstall, FoldersMadeOutsideTheProfileGrantNothingToOtherUsers) {
    const std::wstring parent = L"C:\\ts-outside-profile-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring folder = parent + L"\\Tessark Studio";
    const ts::ProcessResult result =
        install(L"/S --no-shell --no-desktop --no-startmenu " + ts::quoted(L"--dir=" + folder));
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(ts::readFile(folder + L"\\index.html"), files.at("index.html"));
    for (const std::wstring& made : {parent, folder}) {
        const std::wstring dacl = daclText(made);
        ASSERT_FALSE(dacl.empty()) << ts::narrow(made);
        for (const wchar_t* others : {L";;;WD)", L";;;BU)", L";;;AU)"}) {
            EXPECT_EQ(dacl.find(others), std::wstring::npos) << ts::narrow(made) << ": " << ts::narrow(dacl);
        }
    }
    ts::removeTree(parent);
}

TEST_F(SilentInstall, WaitsAtMostTwentySecondsForAnApplicationThatKeepsRunning) {
    SetEnvironmentVariableW(L"TS_SAMPLE_SLOW_REGISTER", L"1");
    const ULONGLONG start = GetTickCount64();
    ts::Child setupRun(ts::quoted(setup) + L" /S " + ts::quoted(L"--dir=" + (temp / L"Studio")));
    const auto exitCode = setupRun.wait(60000);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(exitCode, std::optional<DWORD>(0));
    EXPECT_GE(elapsed, 19500u);
    EXPECT_LT(elapsed, 29000u);  // the application itself lingers 30 s
    EXPECT_TRUE(ts::fileExists(temp / L"Studio\\install-manifest.txt"));
}

}  // namespace
