// Whole installs made by TessarkStudioSetup.exe /S, removed the way Windows
// removes them: the quiet-uninstall command from the uninstall entry, started
// as it stands. The uninstaller then deletes itself and the install folder
// from a hidden command interpreter a couple of seconds after it exits.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/core/product.h"
#include "common/owners.h"
#include "install/core/manifest.h"
#include "support/symbolic_link.h"
#include "support/test_support.h"

namespace {

constexpr DWORD kInstallLimitMs = 180000;
constexpr DWORD kUninstallLimitMs = 120000;
// The interpreter pauses about two seconds before it deletes anything.
constexpr DWORD kSelfDeleteLimitMs = 20000;
constexpr wchar_t kInterpreter[] = L"cmd.exe";
constexpr wchar_t kFolderVerbKey[] = L"Software\\Classes\\Directory\\shell\\TessarkStudio";
constexpr wchar_t kBackgroundVerbKey[] = L"Software\\Classes\\Directory\\Background\\shell\\TessarkStudio";

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    win::UniqueCoTaskString path;
    if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, path.put()))) return {};
    return path.get();
}

// What the installer's manifest lists, read plainly: it writes one path per
// line, '/' separators, '@' before each shortcut.
struct Listed {
    std::vector<std::wstring> files;      // full paths
    std::vector<std::wstring> shortcuts;  // as written
};

Listed readListed(const std::wstring& installDir, const std::string& manifest) {
    Listed listed;
    std::size_t start = 0;
    for (std::size_t end; (end = manifest.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = manifest.substr(start, end - start);
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '@') {
            listed.shortcuts.push_back(ts::widen(line.substr(1)));
            continue;
        }
        std::wstring path = installDir + L"\\" + ts::widen(line);
        for (auto& c : path) {
            if (c == L'/') c = L'\\';
        }
        listed.files.push_back(path);
    }
    return listed;
}

// Every file below a folder with its size: enough to see that nothing changed.
void snapshot(const std::wstring& folder, std::map<std::wstring, ULONGLONG>& into) {
    WIN32_FIND_DATAW found{};
    win::UniqueFind search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring child = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            into[child + L"\\"] = 0;
            snapshot(child, into);
        } else {
            into[child] = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        }
    } while (FindNextFileW(search.get(), &found));
}

std::map<std::wstring, ULONGLONG> snapshot(const std::wstring& folder) {
    std::map<std::wstring, ULONGLONG> files;
    snapshot(folder, files);
    return files;
}

// Wine maps drive letter x to whatever $WINEPREFIX/dosdevices/x: links to.
// A Unix program started through CreateProcessW makes the link; its target
// "c:/users/..." is read relative to that folder, through drive C's own link.
class MappedDrive {
public:
    MappedDrive(wchar_t letter, const std::wstring& folder) : link_(dosDevicesFolder() + letter + L':') {
        if (link_.size() == 2) return;  // no prefix to map it in
        const std::wstring target = linkTarget(folder);
        // Wine reports a Unix program ended once it has started it: the link
        // is there when the drive's root can be seen.
        const std::wstring root = std::wstring(1, letter) + L":\\";
        mapped_ = ts::run(L"Z:\\bin\\ln -sfn " + ts::quoted(target) + L" " + ts::quoted(link_), 10000).started &&
                  ts::waitUntil([&] { return ts::directoryExists(root); }, 10000);
    }
    ~MappedDrive() {
        if (mapped_) ts::run(L"Z:\\bin\\rm -f " + ts::quoted(link_), 10000);
    }
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;
    bool mapped() const { return mapped_; }

private:
    static std::wstring linkTarget(const std::wstring& folder) {
        std::wstring target = folder;
        target[0] = static_cast<wchar_t>(towlower(target[0]));
        std::replace(target.begin(), target.end(), L'\\', L'/');
        return target;
    }
    static std::wstring dosDevicesFolder() {
        wchar_t prefix[MAX_PATH + 1] = {};
        const DWORD length = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH + 1);
        return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(prefix) + L"/dosdevices/";
    }

    const std::wstring link_;
    bool mapped_ = false;
};

// A variable of this process's environment, which the programs it starts
// inherit, for as long as the object lives.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) { SetEnvironmentVariableW(name, value); }
    ~ScopedVariable() { SetEnvironmentVariableW(name_, nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const wchar_t* name_;
};

double seconds(ULONGLONG ms) { return static_cast<double>(ms) / 1000.0; }

class UninstallEndToEnd : public ::testing::Test {
protected:
    UninstallEndToEnd() : UninstallEndToEnd(product::kInstallFolderName) {}
    explicit UninstallEndToEnd(const std::wstring& folderName) : installDir(temp / folderName) {}

    void SetUp() override {
        const ULONGLONG start = GetTickCount64();
        const ts::ProcessResult install =
            ts::run(ts::quoted(ts::binPath(L"TessarkStudioSetup.exe")) + L" /S " + ts::quoted(L"--dir=" + installDir),
                    kInstallLimitMs);
        installMs = GetTickCount64() - start;
        ASSERT_TRUE(install.started) << "TessarkStudioSetup.exe is not built";
        ASSERT_FALSE(install.timedOut);
        ASSERT_EQ(install.exitCode, 0u) << install.output;
        const auto manifest = ts::readFile(in(product::kManifestFile));
        ASSERT_TRUE(manifest.has_value());
        listed = readListed(installDir, *manifest);
        ASSERT_FALSE(listed.files.empty());
        ASSERT_EQ(listed.shortcuts.size(), 2u) << "both shortcuts are made by default";
        ASSERT_TRUE(ts::registryKeyExists(HKEY_CURRENT_USER, kFolderVerbKey));
        const auto quiet = ts::readRegistryValue(HKEY_CURRENT_USER, product::kUninstallKey, L"QuietUninstallString");
        ASSERT_TRUE(quiet.has_value());
        quietUninstall = quiet->text();
    }
    void TearDown() override {
        for (const auto& shortcut : listed.shortcuts) DeleteFileW(shortcut.c_str());
    }

    std::wstring in(const std::wstring& relative) const { return installDir + L"\\" + relative; }
    // The uninstaller starts its interpreter before it exits, so once that
    // has ended the self-deletion has done all it ever will: what is still
    // there then stays.
    bool selfDeletionOver() const { return ts::waitForProcessesToEnd(kInterpreter, kSelfDeleteLimitMs); }
    bool uninstallerGone() const { return selfDeletionOver() && !ts::fileExists(in(product::kUninstallerExe)); }
    bool installFolderGone() const { return selfDeletionOver() && !ts::directoryExists(installDir); }
    // The first listed file that sits in a subfolder, and that subfolder.
    std::wstring nestedListedFile() const {
        for (const auto& file : listed.files) {
            if (file.find(L'\\', installDir.size() + 1) != std::wstring::npos) return file;
        }
        return {};
    }
    ts::ProcessResult uninstall(const std::wstring& extra = L"", const std::wstring& currentDir = L"") {
        const ULONGLONG start = GetTickCount64();
        const ts::ProcessResult result = ts::run(quietUninstall + extra, kUninstallLimitMs, currentDir);
        uninstallMs = GetTickCount64() - start;
        return result;
    }

    ts::TempDir temp;
    std::wstring installDir;
    Listed listed;
    std::wstring quietUninstall;
    ULONGLONG installMs = 0;
    ULONGLONG uninstallMs = 0;
};

// Install folder names → a whole install and quiet uninstall in each. The
// second holds what the command interpreter reads as syntax: %PATH% would
// expand, & ( ) ; ^ ' ! would split a command or escape, and a letter
// outside ASCII.
class UninstallEndToEndIn : public UninstallEndToEnd, public ::testing::WithParamInterface<const wchar_t*> {
protected:
    UninstallEndToEndIn() : UninstallEndToEnd(GetParam()) {}
};

INSTANTIATE_TEST_SUITE_P(FolderNames, UninstallEndToEndIn,
                         ::testing::Values(product::kInstallFolderName, L"pct%PATH%x &^!();' \u00e9"));

TEST_P(UninstallEndToEndIn, QuietUninstallRemovesEverythingListedThenItselfAndTheFolder) {
    const ts::ProcessResult result = uninstall();
    const ULONGLONG exited = GetTickCount64();
    ASSERT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(result.leftAProcessRunning) << "the self-deletion";
    for (const auto& file : listed.files) {
        if (file == in(product::kUninstallerExe)) continue;  // goes with the folder below
        EXPECT_FALSE(ts::fileExists(file)) << ts::narrow(file);
    }
    for (const auto& shortcut : listed.shortcuts) EXPECT_FALSE(ts::fileExists(shortcut)) << ts::narrow(shortcut);
    EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey));
    EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, kFolderVerbKey));
    EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, kBackgroundVerbKey));
    EXPECT_TRUE(installFolderGone());
    const ULONGLONG selfDeleteMs = GetTickCount64() - exited;
    std::printf("timings: install %.1f s, uninstall %.1f s, self-deletion %.1f s after exit\n",
                seconds(installMs), seconds(uninstallMs), seconds(selfDeleteMs));
    RecordProperty("install_ms", static_cast<int>(installMs));
    RecordProperty("uninstall_ms", static_cast<int>(uninstallMs));
    RecordProperty("self_delete_ms", static_cast<int>(selfDeleteMs));
}

// A script that reinstalls: "uninstall.exe /S", then at once "setup /S" into
// the same folder, well within the two seconds before the self-deletion
// strikes. The install waits for it, so its own uninstall.exe stays.
TEST_F(UninstallEndToEnd, InstallRightAfterAnUninstallKeepsItsOwnUninstaller) {
    const auto uninstallerBytes = ts::readFile(in(product::kUninstallerExe));
    ASSERT_TRUE(uninstallerBytes.has_value());
    EXPECT_EQ(uninstall().exitCode, 0u);
    const ts::ProcessResult reinstall =
        ts::run(ts::quoted(ts::binPath(L"TessarkStudioSetup.exe")) + L" /S " + ts::quoted(L"--dir=" + installDir),
                kInstallLimitMs);
    EXPECT_EQ(reinstall.exitCode, 0u) << reinstall.output;
    EXPECT_TRUE(selfDeletionOver());
    EXPECT_EQ(ts::readFile(in(product::kUninstallerExe)), uninstallerBytes);
    EXPECT_TRUE(ts::fileExists(in(product::kManifestFile)));
}

TEST_F(UninstallEndToEnd, ForeignFilesKeepTheirFoldersAndTheInstallFolder) {
    const std::wstring nested = nestedListedFile();
    ASSERT_FALSE(nested.empty());
    const std::wstring foreignTop = in(L"my notes.txt");
    const std::wstring foreignNested = nested.substr(0, nested.rfind(L'\\')) + L"\\my-theme.css";
    ASSERT_TRUE(ts::writeFile(foreignTop, "mine"));
    ASSERT_TRUE(ts::writeFile(foreignNested, "mine"));

    const ts::ProcessResult result = uninstall();
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(uninstallerGone());
    EXPECT_TRUE(ts::fileExists(foreignTop));
    EXPECT_TRUE(ts::fileExists(foreignNested));
    EXPECT_FALSE(ts::fileExists(nested));
    for (const auto& file : listed.files) EXPECT_FALSE(ts::fileExists(file)) << ts::narrow(file);
}

class UninstallEndToEndPurge : public UninstallEndToEnd {
protected:
    void SetUp() override {
        UninstallEndToEnd::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_FALSE(dataFolder.empty());
        // What the application keeps once it has run.
        ASSERT_TRUE(ts::writeFile(in(product::kSettingsFile), "{}"));
        ASSERT_TRUE(ts::writeFile(in(product::kSessionFile), "http://127.0.0.1:1/"));
        ASSERT_TRUE(ts::writeFile(dataFolder + L"\\Cache\\index.bin", "c"));
        ASSERT_TRUE(ts::writeFile(dataFolder + L"\\Cache\\blobs\\0001.bin", "c"));
    }
    void TearDown() override {
        ts::removeTree(dataFolder);
        UninstallEndToEnd::TearDown();
    }
    std::wstring dataFolder = knownFolder(FOLDERID_LocalAppData) + L"\\" + product::kDataFolder;
};

// A confirmation or progress window would block under Wine's null display
// driver, so an uninstall that ends within its limit showed none.
TEST_F(UninstallEndToEndPurge, PurgeDeletesSettingsAndDataWithoutAnyDialog) {
    const ts::ProcessResult result = uninstall(L" --purge");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_FALSE(ts::directoryExists(dataFolder));
    EXPECT_TRUE(installFolderGone()) << "the settings file would have kept it";
}

TEST_F(UninstallEndToEndPurge, WithoutPurgeSettingsAndDataStay) {
    const ts::ProcessResult result = uninstall();
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(uninstallerGone());
    EXPECT_FALSE(ts::fileExists(in(product::kSessionFile)));
    EXPECT_TRUE(ts::fileExists(in(product::kSettingsFile)));
    EXPECT_TRUE(ts::fileExists(dataFolder + L"\\Cache\\blobs\\0001.bin"));
}

TEST_F(UninstallEndToEndPurge, PurgeLeavesAFileItDidNotWrite) {
    const std::wstring foreign = in(L"projects\\level1.tsk");
    ASSERT_TRUE(ts::writeFile(foreign, "the user's own"));
    const ts::ProcessResult result = uninstall(L" --purge");
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(uninstallerGone());
    EXPECT_TRUE(ts::fileExists(foreign));
    EXPECT_FALSE(ts::fileExists(in(product::kSettingsFile)));
}

// A manifest that is gone, or that a failed write or another program left
// without the header, is no record: the run changes nothing and fails.
TEST_F(UninstallEndToEnd, WithoutAReadableManifestFailsAndChangesNothing) {
    const auto written = ts::readFile(in(product::kManifestFile));
    ASSERT_TRUE(written.has_value());
    const struct {
        const char* name;
        std::optional<std::string> manifest;
    } cases[] = {
        {"missing", std::nullopt},
        {"empty", ""},
        {"zero-filled", std::string(written->size(), '\0')},
        {"without the header", "# edited by hand\n" + written->substr(written->find("\n# shortcut") + 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.manifest) ASSERT_TRUE(ts::writeFile(in(product::kManifestFile), *c.manifest));
        else ASSERT_TRUE(DeleteFileW(in(product::kManifestFile).c_str()));
        const auto before = snapshot(installDir);
        const ts::ProcessResult result = uninstall();
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_NE(result.output.find("install-manifest.txt is missing"), std::string::npos) << result.output;
        EXPECT_FALSE(result.leftAProcessRunning) << "a failed uninstall must not delete itself";
        EXPECT_EQ(snapshot(installDir), before);
        EXPECT_TRUE(ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey));
        EXPECT_TRUE(ts::registryKeyExists(HKEY_CURRENT_USER, kFolderVerbKey));
        for (const auto& shortcut : listed.shortcuts) EXPECT_TRUE(ts::fileExists(shortcut)) << ts::narrow(shortcut);
    }
}

// Line ends, blanks and comments as an editor on another system leaves them,
// lines that would reach outside the folder, and '@' lines of both kinds.
TEST_F(UninstallEndToEnd, HandEditedManifestActsOnlyOnWhatTheRulesAccept) {
    const std::wstring elsewhere = temp / L"elsewhere";
    const std::wstring driveRootX = installDir.substr(0, 2) + L"\\x";
    const std::wstring otherShortcut = elsewhere + L"\\Pinned.LNK";
    const std::vector<std::wstring> sentinels = {temp / L"outside.txt", temp / L"x", driveRootX, in(L"a"),
                                                 elsewhere + L"\\tool.exe", otherShortcut};
    for (const auto& sentinel : sentinels) ASSERT_TRUE(ts::writeFile(sentinel, "keep"));

    // Saved by an editor that puts a byte-order mark first.
    std::string edited = "\xEF\xBB\xBF# Tessark Studio install manifest. Every path here was written by the installer \r\n";
    edited += "# edited by hand\r\n\r\n";
    int n = 0;
    for (const auto& file : listed.files) {
        const std::string relative = ts::narrow(file.substr(installDir.size() + 1));
        edited += relative + (++n % 2 ? "  \r\n" : "\r\n");
        if (n % 5 == 0) edited += "\n# a note\r\n   \r\n";
    }
    edited += "../outside.txt\r\nweb/../../x\r\nC:/x\r\n/x\r\na:b\r\n";
    edited += "@" + ts::narrow(elsewhere) + "\\tool.exe\r\n";
    edited += "@" + ts::narrow(otherShortcut) + " \r\n";
    for (const auto& shortcut : listed.shortcuts) edited += "@" + ts::narrow(shortcut) + "\r\n";
    edited += "# the end";
    ASSERT_TRUE(ts::writeFile(in(product::kManifestFile), edited));

    const ts::ProcessResult result = uninstall();
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(uninstallerGone());
    for (const auto& sentinel : sentinels) EXPECT_TRUE(ts::fileExists(sentinel)) << ts::narrow(sentinel);
    for (const auto& file : listed.files) EXPECT_FALSE(ts::fileExists(file)) << ts::narrow(file);
    for (const auto& shortcut : listed.shortcuts) EXPECT_FALSE(ts::fileExists(shortcut)) << ts::narrow(shortcut);
    DeleteFileW(driveRootX.c_str());
}

// A file in use is not removed, and the run says so instead of reporting
// success: the record, the uninstaller and the entry stay for a second run.
TEST_F(UninstallEndToEnd, AFileInUseFailsTheRunAndASecondRunAfterItsReleaseFinishes) {
    const std::wstring busy = nestedListedFile();
    ASSERT_FALSE(busy.empty());
    const std::wstring readOnly = in(product::kAppExe);
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    win::UniqueFile held(CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);

    const ts::ProcessResult first = uninstall();
    EXPECT_EQ(first.exitCode, 1u);
    EXPECT_NE(first.output.find("Some files could not be removed because they are in use. Close Tessark Studio "
                                     "and run the uninstaller again.\r\n\r\n" + ts::narrow(busy)),
              std::string::npos)
        << first.output;
    EXPECT_FALSE(first.leftAProcessRunning) << "a failed uninstall must not delete itself";
    EXPECT_FALSE(ts::fileExists(readOnly));
    EXPECT_TRUE(ts::fileExists(busy));
    EXPECT_TRUE(ts::fileExists(in(product::kUninstallerExe)));
    EXPECT_TRUE(ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey));
    std::string busyLine = ts::narrow(busy.substr(installDir.size() + 1));
    std::replace(busyLine.begin(), busyLine.end(), '\\', '/');
    EXPECT_EQ(ts::readFile(in(product::kManifestFile)), std::string(kManifestHeader) + busyLine + "\nuninstall.exe\n");
    for (const auto& shortcut : listed.shortcuts) EXPECT_FALSE(ts::fileExists(shortcut)) << ts::narrow(shortcut);

    held.reset();
    const ts::ProcessResult second = uninstall();
    EXPECT_EQ(second.exitCode, 0u) << second.output;
    EXPECT_TRUE(installFolderGone());
    EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey));
}

TEST_F(UninstallEndToEnd, StartedFromInsideTheInstallFolderStillRemovesIt) {
    const ts::ProcessResult result = uninstall(L"", installDir);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(installFolderGone());
}

// An install at the root of a drive, as the uninstaller sees it: it runs from
// "Q:" (Wine's drive Q, mapped to the install folder). cmd.exe reads a bare
// "Q:" as the folder it last used on drive Q, which the "=Q:" entry of the
// environment records; an empty folder there must not be removed for the
// install folder, and the drive's root cannot be.
TEST_F(UninstallEndToEnd, FromADriveRootOnlyTheUninstallerGoes) {
    const std::wstring remembered = in(L"remembered");
    ASSERT_TRUE(CreateDirectoryW(remembered.c_str(), nullptr));
    const MappedDrive drive(L'q', installDir);
    ASSERT_TRUE(drive.mapped());
    const ScopedVariable lastFolderOnQ(L"=Q:", L"Q:\\remembered");

    const ts::ProcessResult result = ts::run(ts::quoted(L"Q:\\uninstall.exe") + L" /S", kUninstallLimitMs);
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(uninstallerGone());
    EXPECT_FALSE(ts::fileExists(in(product::kAppExe)));
    EXPECT_TRUE(ts::directoryExists(remembered));
}

// Hostile and unlucky conditions, one row per attack: what it plants, how
// the setup program is then run, and what must happen. Each row plants its
// victims in the user's profile, outside the install folder, and every one
// of them must come through with the same files, sizes and folders. Links
// are Unix symbolic links to folders, which Wine 8 shows as reparse points
// with tag 0 (as a junction is on Windows).
class HostileConditions;

struct Attack {
    const char* name;  // the row's test name
    const char* mustHappen;
    void (HostileConditions::*plant)();
    ts::ProcessResult (HostileConditions::*run)();
    void (HostileConditions::*confirm)(const ts::ProcessResult&);
};

// gtest names a failing row by this.
void PrintTo(const Attack& attack, std::ostream* out) { *out << attack.name; }

class HostileConditions : public UninstallEndToEnd, public ::testing::WithParamInterface<Attack> {
protected:
    // The links go first: Wine's own removal of one would take the empty
    // folder it points to, and a link left in the data folder would keep it
    // for the tests after this one.
    void TearDown() override {
        for (const auto& link : links) ts::removeSymbolicLink(link);
        for (const auto& victim : victims) ts::removeTree(victim);
        ts::removeTree(dataFolder);
        UninstallEndToEnd::TearDown();
    }

    // A folder of the profile with files of the user's, to be left alone.
    std::wstring victim(const std::wstring& name, const std::vector<std::wstring>& files) {
        const std::wstring folder = knownFolder(FOLDERID_Profile) + L"\\" + name;
        for (const auto& file : files) EXPECT_TRUE(ts::writeFile(folder + L"\\" + file, "the user's own"));
        victims.push_back(folder);
        return folder;
    }
    void link(const std::wstring& at, const std::wstring& target) {
        ASSERT_TRUE(ts::makeSymbolicLink(at, target));
        links.push_back(at);
    }
    bool behindALink(const std::wstring& path) const {
        const auto below = [&path](const std::wstring& link) { return path.starts_with(link + L"\\"); };
        return std::any_of(links.begin(), links.end(), below);
    }
    void appendToManifest(const std::string& lines) {
        const auto manifest = ts::readFile(in(product::kManifestFile));
        ASSERT_TRUE(manifest.has_value());
        ASSERT_TRUE(ts::writeFile(in(product::kManifestFile), *manifest + lines));
    }

public:
    // The rows' steps. The installed folder docs is swapped for a link to a folder whose files
    // have the listed names; a second link sits deeper, with lines added.
    void plantFolderLinksWithLinesThroughThem() {
        const std::wstring documents =
            victim(L"Victim Documents", {L"getting-started.txt", L"shortcuts.txt", L"notes.txt", L"sub\\deep.txt"});
        ASSERT_TRUE(CreateDirectoryW((documents + L"\\empty").c_str(), nullptr));
        const std::wstring pictures = victim(L"Victim Pictures", {L"b.png"});
        ts::removeTree(in(L"docs"));
        link(in(L"docs"), documents);
        link(in(L"web\\pictures"), pictures);
        appendToManifest("docs/notes.txt\ndocs/sub/deep.txt\ndocs/empty/gone.txt\nweb/pictures/b.png\n");
    }
    // The installed folder web is swapped for a link before the update.
    void plantFolderLinkBeforeAnUpdate() {
        ts::removeTree(in(L"web"));
        link(in(L"web"), victim(L"Victim Web", {L"css\\app.css", L"index.html"}));
    }
    void plantNothingAndPickTheDriveRoot() { target = installDir.substr(0, 3); }
    void plantNothingAndPickANetworkFolder() { target = L"\\\\server\\share\\Tessark Studio"; }
    void plantFilesOfTheUsersAndPickTheirFolder() {
        target = victim(L"Victim Project", {L"main.c", L"notes\\todo.txt"});
    }
    // What an uninstall leaves behind once its self-deletion is over: the
    // application's settings and session.
    void plantOurLeftoversAndPickTheirFolder() {
        target = temp / L"Leftovers";
        for (const wchar_t* name : {product::kSettingsFile, product::kSessionFile}) {
            ASSERT_TRUE(ts::writeFile(target + L"\\" + name, "left behind"));
        }
    }
    void plantShortcutLinesOfEveryOtherKind() {
        const std::wstring folder = victim(L"Victim Shortcuts", {L"Tessark Studio.lnk", L"Desktop\\Tessark Studio.lnk",
                                                                 L"Other.lnk", L"Pinned Program Shortcut.lnk",
                                                                 L"Device\\Tessark Studio.lnk"});
        wchar_t alias[MAX_PATH]{};
        ASSERT_GT(GetShortPathNameW((folder + L"\\Pinned Program Shortcut.lnk").c_str(), alias, MAX_PATH), 0u);
        shortcutsFolder = folder;
        appendToManifest("@Tessark Studio.lnk\n@Desktop\\Tessark Studio.lnk\n@\\\\?\\" + ts::narrow(folder) +
                         "\\Device\\Tessark Studio.lnk\n@" + ts::narrow(folder) + "\\Other.lnk\n@" +
                         ts::narrow(alias) + "\n");
    }
    void plantLinkInsideTheDataFolder() {
        ASSERT_TRUE(ts::writeFile(dataFolder + L"\\Cache\\index.bin", "c"));
        link(dataFolder + L"\\Cache\\moved", victim(L"Victim Cache", {L"keep.bin", L"deep\\keep.bin"}));
    }

    ts::ProcessResult uninstallQuietly() { return uninstall(); }
    ts::ProcessResult uninstallFromTheShortcutsFolder() { return uninstall(L"", shortcutsFolder); }
    ts::ProcessResult uninstallWithPurge() { return uninstall(L" --purge"); }
    ts::ProcessResult installSilentlyInto(const std::wstring& folder) {
        const std::wstring setup = ts::quoted(ts::binPath(L"TessarkStudioSetup.exe"));
        return ts::run(setup + L" /S --no-shell " + ts::quoted(L"--dir=" + folder), kInstallLimitMs);
    }
    ts::ProcessResult updateTheInstall() { return installSilentlyInto(installDir); }
    ts::ProcessResult installIntoTheTarget() { return installSilentlyInto(target); }

    void listedFilesAndShortcutsAreGone(const ts::ProcessResult& result) {
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        for (const auto& file : listed.files) {
            if (file == in(product::kUninstallerExe)) continue;  // goes with the self-deletion
            if (behindALink(file)) continue;                      // a victim's now: the snapshots look at it
            EXPECT_FALSE(ts::fileExists(file)) << ts::narrow(file);
        }
        for (const auto& shortcut : listed.shortcuts) EXPECT_FALSE(ts::fileExists(shortcut)) << ts::narrow(shortcut);
        EXPECT_TRUE(uninstallerGone());
    }
    void failsCreatingAFolderBehindTheLink(const ts::ProcessResult& result) {
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_NE(result.output.find("Could not create " + ts::narrow(in(L"web\\"))), std::string::npos)
            << result.output;
    }
    // Refused before anything is touched: the earlier install is as it was.
    void refusedWith(const ts::ProcessResult& result, const std::string& sentence) {
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_NE(result.output.find(sentence), std::string::npos) << result.output;
        for (const wchar_t* name : {product::kAppExe, product::kManifestFile}) {
            EXPECT_FALSE(ts::fileExists(target + L"\\" + name)) << ts::narrow(name);
        }
        EXPECT_EQ(ts::readRegistryValue(HKEY_CURRENT_USER, product::kUninstallKey, L"InstallLocation")->text(),
                  installDir);
    }
    void refusedAsNotOnALocalDrive(const ts::ProcessResult& result) {
        refusedWith(result, "Choose a folder on a local drive.");
    }
    void refusedAsHoldingOtherFiles(const ts::ProcessResult& result) {
        refusedWith(result, "This folder already contains other files:\r\n\r\n" + ts::narrow(target) +
                                "\r\n\r\nChoose an empty folder or run the installer with its window.");
    }
    void installedAmongTheLeftovers(const ts::ProcessResult& result) {
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        EXPECT_TRUE(ts::fileExists(target + L"\\" + product::kManifestFile));
        EXPECT_EQ(ts::readFile(target + L"\\" + product::kSettingsFile), "left behind");
        EXPECT_EQ(ts::readFile(target + L"\\" + product::kUninstallerExe),
                  ts::readFile(ts::binPath(product::kUninstallerExe)));
    }
    void dataFolderFilesAreGone(const ts::ProcessResult& result) {
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        EXPECT_FALSE(ts::fileExists(dataFolder + L"\\Cache\\index.bin"));
    }

protected:
    std::vector<std::wstring> victims;
    std::vector<std::wstring> links;
    std::wstring target;  // the folder a row installs into
    const std::wstring dataFolder = knownFolder(FOLDERID_LocalAppData) + L"\\" + product::kDataFolder;
    std::wstring shortcutsFolder;
};

TEST_P(HostileConditions, LeaveEverythingOutsideTheInstallFolderAsItWas) {
    const Attack& attack = GetParam();
    SCOPED_TRACE(attack.mustHappen);
    (this->*attack.plant)();
    if (HasFatalFailure()) return;
    std::map<std::wstring, std::map<std::wstring, ULONGLONG>> before;
    for (const auto& folder : victims) before[folder] = snapshot(folder);

    const ts::ProcessResult result = (this->*attack.run)();
    ASSERT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    (this->*attack.confirm)(result);
    for (const auto& folder : victims) EXPECT_EQ(snapshot(folder), before[folder]) << ts::narrow(folder);
}

const Attack kAttacks[] = {
    {"FolderLinksInTheInstallFolderWithManifestLinesThroughThem",
     "the uninstall deletes everything it listed, and nothing behind the links",
     &HostileConditions::plantFolderLinksWithLinesThroughThem, &HostileConditions::uninstallQuietly,
     &HostileConditions::listedFilesAndShortcutsAreGone},
    {"AFolderLinkPlantedBeforeAnUpdate",
     "the update fails with \"Could not create\" and writes nothing through the link",
     &HostileConditions::plantFolderLinkBeforeAnUpdate, &HostileConditions::updateTheInstall,
     &HostileConditions::failsCreatingAFolderBehindTheLink},
    {"ShortcutLinesRelativeInADeviceNamespaceOfAnotherNameOrAnAlias",
     "the uninstall deletes the two shortcuts the installer made and no other",
     &HostileConditions::plantShortcutLinesOfEveryOtherKind, &HostileConditions::uninstallFromTheShortcutsFolder,
     &HostileConditions::listedFilesAndShortcutsAreGone},
    {"AFolderLinkInsideThePerUserDataFolderWithPurge",
     "the purge deletes the data folder's own files and nothing behind the link",
     &HostileConditions::plantLinkInsideTheDataFolder, &HostileConditions::uninstallWithPurge,
     &HostileConditions::dataFolderFilesAreGone},
    {"SilentInstallIntoADriveRoot", "refused with the window's sentence, nothing written",
     &HostileConditions::plantNothingAndPickTheDriveRoot, &HostileConditions::installIntoTheTarget,
     &HostileConditions::refusedAsNotOnALocalDrive},
    {"SilentInstallIntoANetworkFolder", "refused with the window's sentence, nothing written",
     &HostileConditions::plantNothingAndPickANetworkFolder, &HostileConditions::installIntoTheTarget,
     &HostileConditions::refusedAsNotOnALocalDrive},
    {"SilentInstallIntoAFolderOfTheUsersFiles", "refused, for nobody can be asked, and nothing written",
     &HostileConditions::plantFilesOfTheUsersAndPickTheirFolder, &HostileConditions::installIntoTheTarget,
     &HostileConditions::refusedAsHoldingOtherFiles},
    {"SilentInstallIntoAFolderHoldingOnlyOurLeftovers", "installed, with the settings kept",
     &HostileConditions::plantOurLeftoversAndPickTheirFolder, &HostileConditions::installIntoTheTarget,
     &HostileConditions::installedAmongTheLeftovers},
};

INSTANTIATE_TEST_SUITE_P(Rows, HostileConditions, ::testing::ValuesIn(kAttacks),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
