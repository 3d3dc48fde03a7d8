// Whole installs made by TessarkStudioSetup.exe /S, removed the way Windows
// removes them: the quiet-uninstall command from the uninstall entry, started
// as it stands. The uninstaller then deletes itself and the install folder
// from a hidden command interpreter a couple of seconds after it exits.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/core/product.h"
#include "common/owners.h"
#include "install/core/manifest.h"
#include "support/test_support.h"

namespace {

constexpr DWORD kInstallLimitMs = 180000;
constexpr DWORD kUninstallLimitMs = 120000;
// The interpreter pauses about two seconds before it deletes anything.
constexpr DWORD kSelfDeleteLimitMs = 20000;
constexpr wchar_t kFolderVerbKey[] = L"Software\\Classes\\Directory\\shell\\TessarkStudio";
constexpr wchar_t kBackgroundVerbKey[] = L"Software\\Classes\\Directory\\Background\\shell\\TessarkStudio";

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    win::UniqueCoTaskString path;
    if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, path.put()))) return {};
    return path.get();
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

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

struct Exit {
    bool started = false;
    bool timedOut = false;
    DWORD code = 0;
    // A process it started still ran when it exited: the self-deletion's
    // command interpreter waits about two seconds before it deletes anything.
    bool leftAProcessRunning = false;
    std::string errorOutput;
};

bool hasRunningChild(DWORD parentId) {
    win::UniqueFile processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!processes) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(processes.get(), &entry); more; more = Process32NextW(processes.get(), &entry)) {
        if (entry.th32ParentProcessID == parentId) return true;
    }
    return false;
}

// Starts the command line as a shell would, with only its standard error
// redirected (into a file, which nobody waits on), and waits for that process
// alone. (Capturing its output through an inherited pipe would also wait for
// every process that inherits the pipe after it, such as the desktop process
// Wine starts on demand, which never ends.)
Exit runToExit(const std::wstring& commandLine, DWORD timeoutMs, const std::wstring& errorFile,
               const std::wstring& currentDir = L"") {
    Exit exit;
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    win::UniqueFile errors(CreateFileW(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    std::wstring writable = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = errors.get();
    PROCESS_INFORMATION info{};
    exit.started = CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  currentDir.empty() ? nullptr : currentDir.c_str(), &startup, &info);
    errors.reset();
    if (!exit.started) return exit;
    win::ProcessHandles process{win::UniqueHandle(info.hProcess), win::UniqueHandle(info.hThread)};
    if (WaitForSingleObject(process.process.get(), timeoutMs) != WAIT_OBJECT_0) {
        exit.timedOut = true;
        TerminateProcess(process.process.get(), 255);
        WaitForSingleObject(process.process.get(), 5000);
    }
    exit.leftAProcessRunning = hasRunningChild(info.dwProcessId);
    GetExitCodeProcess(process.process.get(), &exit.code);
    exit.errorOutput = ts::readFile(errorFile).value_or("");
    return exit;
}

double seconds(ULONGLONG ms) { return static_cast<double>(ms) / 1000.0; }

class UninstallEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const ULONGLONG start = GetTickCount64();
        const Exit install =
            runToExit(quoted(ts::binPath(L"TessarkStudioSetup.exe")) + L" /S " + quoted(L"--dir=" + installDir),
                      kInstallLimitMs, temp / L"errors.txt");
        installMs = GetTickCount64() - start;
        ASSERT_TRUE(install.started) << "TessarkStudioSetup.exe is not built";
        ASSERT_FALSE(install.timedOut);
        ASSERT_EQ(install.code, 0u);
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
    bool uninstallerGone() const {
        return ts::waitUntil([&] { return !ts::fileExists(in(product::kUninstallerExe)); }, kSelfDeleteLimitMs);
    }
    bool installFolderGone() const {
        return ts::waitUntil([&] { return !ts::directoryExists(installDir); }, kSelfDeleteLimitMs);
    }
    // The first listed file that sits in a subfolder, and that subfolder.
    std::wstring nestedListedFile() const {
        for (const auto& file : listed.files) {
            if (file.find(L'\\', installDir.size() + 1) != std::wstring::npos) return file;
        }
        return {};
    }
    Exit uninstall(const std::wstring& extra = L"", const std::wstring& currentDir = L"") {
        const ULONGLONG start = GetTickCount64();
        const Exit result = runToExit(quietUninstall + extra, kUninstallLimitMs, temp / L"errors.txt", currentDir);
        uninstallMs = GetTickCount64() - start;
        return result;
    }

    ts::TempDir temp;
    std::wstring installDir = temp / L"Tessark Studio";
    Listed listed;
    std::wstring quietUninstall;
    ULONGLONG installMs = 0;
    ULONGLONG uninstallMs = 0;
};

TEST_F(UninstallEndToEnd, QuietUninstallRemovesEverythingListedThenItselfAndTheFolder) {
    const Exit result = uninstall();
    const ULONGLONG exited = GetTickCount64();
    ASSERT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.code, 0u);
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

TEST_F(UninstallEndToEnd, ForeignFilesKeepTheirFoldersAndTheInstallFolder) {
    const std::wstring nested = nestedListedFile();
    ASSERT_FALSE(nested.empty());
    const std::wstring foreignTop = in(L"my notes.txt");
    const std::wstring foreignNested = nested.substr(0, nested.rfind(L'\\')) + L"\\my-theme.css";
    ASSERT_TRUE(ts::writeFile(foreignTop, "mine"));
    ASSERT_TRUE(ts::writeFile(foreignNested, "mine"));

    EXPECT_EQ(uninstall().code, 0u);
    EXPECT_TRUE(uninstallerGone());
    Sleep(1000);  // the rd that would take the folder runs right after the del
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
    const Exit result = uninstall(L" --purge");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.code, 0u);
    EXPECT_FALSE(ts::directoryExists(dataFolder));
    EXPECT_TRUE(installFolderGone()) << "the settings file would have kept it";
}

TEST_F(UninstallEndToEndPurge, WithoutPurgeSettingsAndDataStay) {
    EXPECT_EQ(uninstall().code, 0u);
    EXPECT_TRUE(uninstallerGone());
    EXPECT_FALSE(ts::fileExists(in(product::kSessionFile)));
    EXPECT_TRUE(ts::fileExists(in(product::kSettingsFile)));
    EXPECT_TRUE(ts::fileExists(dataFolder + L"\\Cache\\blobs\\0001.bin"));
}

TEST_F(UninstallEndToEndPurge, PurgeLeavesAFileItDidNotWrite) {
    const std::wstring foreign = in(L"projects\\level1.tsk");
    ASSERT_TRUE(ts::writeFile(foreign, "the user's own"));
    EXPECT_EQ(uninstall(L" --purge").code, 0u);
    EXPECT_TRUE(uninstallerGone());
    Sleep(1000);
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
        const Exit result = uninstall();
        EXPECT_EQ(result.code, 1u);
        EXPECT_NE(result.errorOutput.find("install-manifest.txt is missing"), std::string::npos) << result.errorOutput;
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
    const std::vector<std::wstring> sentinels = {temp / L"outside.txt", temp / L"x", driveRootX, in(L"a"),
                                                 elsewhere + L"\\tool.exe"};
    for (const auto& sentinel : sentinels) ASSERT_TRUE(ts::writeFile(sentinel, "keep"));
    const std::wstring otherShortcut = elsewhere + L"\\Pinned.LNK";
    ASSERT_TRUE(ts::writeFile(otherShortcut, "L"));

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

    EXPECT_EQ(uninstall().code, 0u);
    EXPECT_TRUE(uninstallerGone());
    for (const auto& sentinel : sentinels) EXPECT_TRUE(ts::fileExists(sentinel)) << ts::narrow(sentinel);
    for (const auto& file : listed.files) EXPECT_FALSE(ts::fileExists(file)) << ts::narrow(file);
    for (const auto& shortcut : listed.shortcuts) EXPECT_FALSE(ts::fileExists(shortcut)) << ts::narrow(shortcut);
    EXPECT_FALSE(ts::fileExists(otherShortcut)) << "an '@' line ending in .lnk is deleted wherever it points";
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

    const Exit first = uninstall();
    EXPECT_EQ(first.code, 1u);
    EXPECT_NE(first.errorOutput.find("Some files could not be removed because they are in use. Close Tessark Studio "
                                     "and run the uninstaller again.\r\n\r\n" + ts::narrow(busy)),
              std::string::npos)
        << first.errorOutput;
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
    const Exit second = uninstall();
    EXPECT_EQ(second.code, 0u) << second.errorOutput;
    EXPECT_TRUE(installFolderGone());
    EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey));
}

TEST_F(UninstallEndToEnd, StartedFromInsideTheInstallFolderStillRemovesIt) {
    EXPECT_EQ(uninstall(L"", installDir).code, 0u);
    EXPECT_TRUE(installFolderGone());
}

}  // namespace
