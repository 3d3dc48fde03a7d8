// performUninstall on install folders the tests lay out themselves: a
// manifest, the files it lists, and whatever else a user's folder may hold.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/core/product.h"
#include "common/owners.h"
#include "support/symbolic_link.h"
#include "support/test_support.h"
#include "uninstall/uninstall.h"

namespace {

using Report = std::pair<int, std::wstring>;
using Reports = std::vector<Report>;

const std::string kHeader =
    "# Tessark Studio install manifest. Every path here was written by the installer\n"
    "# and is what the uninstaller removes - nothing else is touched. Paths are\n"
    "# relative to this folder; a line starting with @ is an absolute path to a\n"
    "# shortcut the installer created.\n";

std::wstring localAppData() {
    win::UniqueCoTaskString path;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, path.put()))) return {};
    return path.get();
}

class PerformUninstall : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(installDir.c_str(), nullptr));
        options.installDir = installDir;
        ASSERT_TRUE(ts::writeRegistryString(HKEY_CURRENT_USER, product::kUninstallKey, L"DisplayName",
                                            product::kName));
        ASSERT_TRUE(ts::writeRegistryString(HKEY_CURRENT_USER,
                                            std::wstring(product::kUninstallKey) + L"\\Extra", L"x", L"y"));
    }

    std::wstring in(const std::wstring& relative) const { return installDir + L"\\" + relative; }
    bool exists(const std::wstring& relative) const { return ts::fileExists(in(relative)); }
    bool folderExists(const std::wstring& relative) const { return ts::directoryExists(in(relative)); }
    void plant(const std::wstring& relative, const std::string& bytes = "data") const {
        ASSERT_TRUE(ts::writeFile(in(relative), bytes));
    }
    void writeManifest(const std::string& body) const { plant(L"install-manifest.txt", kHeader + body); }
    bool registryEntryExists() const { return ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey); }

    bool run() {
        return performUninstall(options, [this](int percent, const std::wstring& text) {
            reports.emplace_back(percent, text);
        }, error);
    }

    ts::TempDir temp;
    std::wstring installDir = temp / L"Tessark Studio";
    UninstallOptions options;
    Reports reports;
    std::wstring error;
};

// Only a file that starts with the manifest's header is a record (the end-to-end
// test has the empty and zero-filled ones a failed write leaves): acting on
// another would report success over files it does not name.
TEST_F(PerformUninstall, AManifestThatIsMissingOrNotARecordFailsNamingTheFolderAndTouchesNothing) {
    const struct {
        const char* name;
        std::optional<std::string> manifest;
    } cases[] = {
        {"missing", std::nullopt},
        {"another line before the header", "# edited by hand\n" + kHeader + "web/app.js\n"},
        {"the header without its first line", kHeader.substr(kHeader.find('\n') + 1) + "web/app.js\n"},
    };
    plant(L"TessarkStudio.exe");
    plant(L"web\\app.js");
    plant(L"session-url.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.manifest) plant(L"install-manifest.txt", *c.manifest);
        reports.clear();
        EXPECT_FALSE(run());
        EXPECT_EQ(error, L"install-manifest.txt is missing, so there is no record of what was installed.\n\n"
                         L"Delete the folder by hand:\n" + installDir);
        EXPECT_EQ(reports, (Reports{{5, L"Reading the install manifest\u2026"}}));
        EXPECT_TRUE(exists(L"TessarkStudio.exe"));
        EXPECT_TRUE(exists(L"web\\app.js"));
        EXPECT_TRUE(exists(L"session-url.txt"));
        EXPECT_EQ(ts::readFile(in(L"install-manifest.txt")), c.manifest);
        EXPECT_TRUE(registryEntryExists());
    }
}

TEST_F(PerformUninstall, ManifestLockedByAnotherWriterCountsAsMissing) {
    writeManifest("app.js\n");
    plant(L"app.js");
    win::UniqueFile lock(CreateFileW(in(L"install-manifest.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    EXPECT_FALSE(run());
    EXPECT_TRUE(exists(L"app.js"));
    EXPECT_TRUE(registryEntryExists());
}

TEST_F(PerformUninstall, HeaderOnlyManifestRemovesTheEntryTheSessionFileAndItself) {
    writeManifest("");
    plant(L"session-url.txt");
    plant(L"tessark-studio.json");
    EXPECT_TRUE(run());
    EXPECT_EQ(reports, (Reports{{5, L"Reading the install manifest\u2026"},
                                {20, L"Deleting files\u2026"},
                                {80, L"Tidying up\u2026"},
                                {90, L"Removing the registry entries\u2026"},
                                {100, L"Done"}}));
    EXPECT_FALSE(registryEntryExists());
    EXPECT_FALSE(exists(L"session-url.txt"));
    EXPECT_FALSE(exists(L"install-manifest.txt"));
    EXPECT_TRUE(exists(L"tessark-studio.json")) << "settings go only with purge";
    EXPECT_TRUE(ts::directoryExists(installDir)) << "the install folder is left to the self-deletion";
}

// Header lines 1-4, files on lines 5-7, then the empty line after the last
// line feed: 8 lines, so a file on line n reports 20 + n * 55 / 8.
TEST_F(PerformUninstall, ReportsEachFileByLineAfterTheExplorerStep) {
    ASSERT_TRUE(CopyFileW(ts::binPath(L"uninstall_probe_app.exe").c_str(), in(L"TessarkStudio.exe").c_str(),
                          FALSE));
    writeManifest("TessarkStudio.exe\nweb/css/app.css\nindex.html\n");
    plant(L"web\\css\\app.css");
    plant(L"index.html");
    EXPECT_TRUE(run());
    EXPECT_EQ(reports, (Reports{{5, L"Reading the install manifest\u2026"},
                                {10, L"Removing the Explorer entries\u2026"},
                                {20, L"Deleting files\u2026"},
                                {54, L"Deleting TessarkStudio.exe"},
                                {61, L"Deleting app.css"},
                                {68, L"Deleting index.html"},
                                {80, L"Tidying up\u2026"},
                                {90, L"Removing the registry entries\u2026"},
                                {100, L"Done"}}));
    // The application ran in the install folder, with its arguments, before
    // any listed file was gone.
    const auto log = ts::readFile(in(L"probe-log.txt"));
    ASSERT_TRUE(log.has_value());
    EXPECT_EQ(log->substr(0, log->find('\n')), "--unregister-shell --quiet");
    EXPECT_NE(log->find("\nindex.html\n"), std::string::npos) << *log;
    EXPECT_FALSE(exists(L"TessarkStudio.exe"));
    EXPECT_FALSE(folderExists(L"web"));
}

TEST_F(PerformUninstall, LastLineWithoutALineFeedReportsTheFullSpan) {
    writeManifest("a.txt");  // line 5 of 5
    plant(L"a.txt");
    EXPECT_TRUE(run());
    EXPECT_NE(std::find(reports.begin(), reports.end(), Report{75, L"Deleting a.txt"}), reports.end());
}

TEST_F(PerformUninstall, EmptiedFoldersGoWhileForeignFilesKeepTheirs) {
    writeManifest("web/js/app.js\nweb/js/lib/util.js\nweb/css/app.css\nassets/fonts/a/b/font.txt\n");
    for (const wchar_t* file : {L"web\\js\\app.js", L"web\\js\\lib\\util.js", L"web\\css\\app.css",
                                L"assets\\fonts\\a\\b\\font.txt"}) {
        plant(file);
    }
    plant(L"web\\css\\my-theme.css", "the user's own");
    EXPECT_TRUE(run());
    EXPECT_FALSE(folderExists(L"web\\js"));
    EXPECT_FALSE(folderExists(L"assets"));
    EXPECT_FALSE(exists(L"web\\css\\app.css"));
    EXPECT_TRUE(exists(L"web\\css\\my-theme.css"));
    EXPECT_TRUE(ts::directoryExists(installDir));
}

// A read-only manifest would otherwise stay and fail the run; a temporary
// manifest is what an install that never finished its write leaves.
TEST_F(PerformUninstall, ReadOnlyFilesAndAnUnfinishedManifestWriteAreDeleted) {
    writeManifest("LICENSE.txt\n");
    plant(L"LICENSE.txt");
    plant(L"install-manifest.txt.new", kHeader);
    for (const wchar_t* file : {L"LICENSE.txt", L"install-manifest.txt"}) {
        ASSERT_TRUE(SetFileAttributesW(in(file).c_str(), FILE_ATTRIBUTE_READONLY));
    }
    EXPECT_TRUE(run()) << ts::narrow(error);
    EXPECT_FALSE(exists(L"LICENSE.txt"));
    EXPECT_FALSE(exists(L"install-manifest.txt"));
    EXPECT_FALSE(exists(L"install-manifest.txt.new"));
}

// What is left in use keeps the record: the manifest then lists it and the
// uninstaller, in the installer's order (files, then shortcuts), and the entry
// stays, so that running the uninstaller again once it is free finishes.
TEST_F(PerformUninstall, AFileInUseFailsTheRunAndStaysListedUntilARunAfterItsRelease) {
    const std::string heldShortcut = ts::narrow(temp / L"Desktop") + "\\Tessark Studio.lnk";
    const std::string freeShortcut = ts::narrow(temp / L"Start Menu") + "\\Tessark Studio.lnk";
    writeManifest("data/busy.bin\ndata/free.bin\n@" + heldShortcut + "\n@" + freeShortcut + "\n");
    plant(L"data\\busy.bin");
    plant(L"data\\free.bin");
    plant(L"session-url.txt");
    ASSERT_TRUE(ts::writeFile(ts::widen(heldShortcut), "L"));
    ASSERT_TRUE(ts::writeFile(ts::widen(freeShortcut), "L"));
    std::vector<win::UniqueFile> held;
    for (const std::wstring& path : {in(L"data\\busy.bin"), ts::widen(heldShortcut)}) {
        held.emplace_back(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
        ASSERT_TRUE(held.back());
    }

    EXPECT_FALSE(run());
    EXPECT_EQ(error, L"Some files could not be removed because they are in use. Close Tessark Studio and run the "
                     L"uninstaller again.\n\n" + in(L"data\\busy.bin"));
    EXPECT_NE(std::find(reports.begin(), reports.end(), Report{50, L"Deleting busy.bin"}), reports.end());
    EXPECT_EQ(reports.back(), (Report{80, L"Tidying up\u2026"}));
    EXPECT_TRUE(exists(L"data\\busy.bin"));
    EXPECT_FALSE(exists(L"data\\free.bin"));
    EXPECT_FALSE(ts::fileExists(ts::widen(freeShortcut)));
    EXPECT_FALSE(exists(L"session-url.txt"));
    EXPECT_EQ(ts::readFile(in(L"install-manifest.txt")),
              kHeader + "data/busy.bin\nuninstall.exe\n@" + heldShortcut + "\n");
    EXPECT_FALSE(exists(L"install-manifest.txt.new"));
    EXPECT_TRUE(registryEntryExists());

    held.clear();
    reports.clear();
    EXPECT_TRUE(run()) << ts::narrow(error);
    EXPECT_FALSE(folderExists(L"data"));
    EXPECT_FALSE(ts::fileExists(ts::widen(heldShortcut)));
    EXPECT_FALSE(exists(L"install-manifest.txt"));
    EXPECT_FALSE(registryEntryExists());
}

TEST_F(PerformUninstall, AManifestThatCannotBeDeletedCountsAsLeft) {
    writeManifest("app.js\n");
    plant(L"app.js");
    // Readable, but neither deletable nor replaceable while this handle lives.
    win::UniqueFile reader(CreateFileW(in(L"install-manifest.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_FALSE(run());
    EXPECT_TRUE(error.ends_with(L"\n\n" + in(L"install-manifest.txt"))) << ts::narrow(error);
    EXPECT_FALSE(exists(L"app.js"));
    EXPECT_TRUE(registryEntryExists());
    EXPECT_FALSE(exists(L"install-manifest.txt.new"));
}

// The manifest lives in the user's folder and may have been edited by hand:
// line ends, blanks and comments vary, and lines that would reach outside the
// install folder are skipped. Sentinels sit where such lines would land.
TEST_F(PerformUninstall, HandEditedManifestActsOnlyOnSafeLines) {
    const std::wstring outside = temp.path();
    wchar_t driveRoot[] = L"?:\\x";
    driveRoot[0] = installDir[0];
    const std::vector<std::wstring> sentinels = {outside + L"\\outside.txt", outside + L"\\x", driveRoot,
                                                 in(L"a"), in(L"notes..txt"), in(L"web\\app.css")};
    for (const std::wstring& sentinel : sentinels) ASSERT_TRUE(ts::writeFile(sentinel, "keep"));
    plant(L"index.html");
    plant(L"web\\app.js");
    plant(L"  spaced.txt");

    writeManifest("\r\nindex.html \r\n# web/app.css\n\n"
                  "../outside.txt\r\nweb/../../x\nC:/x\n/x\n\\x\na:b\nnotes..txt\n"
                  "web/app.js\r\n  # not a comment\n  spaced.txt  \n");
    EXPECT_TRUE(run());

    for (const std::wstring& sentinel : sentinels) EXPECT_TRUE(ts::fileExists(sentinel)) << ts::narrow(sentinel);
    EXPECT_FALSE(exists(L"index.html"));
    EXPECT_FALSE(exists(L"web\\app.js"));
    EXPECT_FALSE(exists(L"  spaced.txt")) << "leading blanks are part of the name";
    if (driveRoot[0] == L'C') DeleteFileW(driveRoot);
}

// The installer writes one kind of shortcut line: '@', then the absolute
// path of "Tessark Studio.lnk" in a folder the shell gave. Any other '@'
// line is left alone, so that a shortcut of another name, a relative path
// (against whatever the current folder is) or a device path deletes nothing.
TEST_F(PerformUninstall, ShortcutLinesDeleteOnlyTheProductsShortcutByAnAbsolutePath) {
    const std::wstring desktop = temp / L"Desktop";
    const std::wstring current = temp / L"Current";
    const std::vector<std::wstring> removed = {desktop + L"\\Tessark Studio.lnk",
                                               temp / L"Start Menu\\TESSARK STUDIO.LNK"};
    const std::wstring pinned = desktop + L"\\Pinned Program Shortcut.lnk";
    const std::vector<std::wstring> kept = {desktop + L"\\Other.LNK", desktop + L"\\tool.exe", desktop + L"\\victim.txt",
                                            desktop + L"\\.lnk", current + L"\\Tessark Studio.lnk",
                                            current + L"\\Desktop\\Tessark Studio.lnk", pinned,
                                            temp / L"Device\\Tessark Studio.lnk"};
    for (const auto& path : removed) ASSERT_TRUE(ts::writeFile(path, "L"));
    for (const auto& path : kept) ASSERT_TRUE(ts::writeFile(path, "keep"));
    // Wine, like Windows, answers to a short 8.3 alias of a long name.
    wchar_t alias[MAX_PATH]{};
    ASSERT_GT(GetShortPathNameW(pinned.c_str(), alias, MAX_PATH), 0u);

    std::string body;
    for (const auto& path : removed) body += "@" + ts::narrow(path) + "\n";
    body += "@" + ts::narrow(desktop) + "\\Other.LNK\n@" + ts::narrow(desktop) + "\\tool.exe\n@\n@.lnk\n";
    body += "@Tessark Studio.lnk\n@Desktop\\Tessark Studio.lnk\n";
    body += "@" + ts::narrow(alias) + "\n";
    body += "@\\\\?\\" + ts::narrow(temp / L"Device\\Tessark Studio.lnk") + "\n";
    // A NUL would cut the path short where Windows reads it, leaving victim.txt.
    body += "@" + ts::narrow(desktop) + "\\victim.txt" + std::string(1, '\0') + "\\Tessark Studio.lnk\n";
    writeManifest(body);
    wchar_t previous[MAX_PATH + 1]{};
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH + 1, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(current.c_str()));
    EXPECT_TRUE(run());
    SetCurrentDirectoryW(previous);

    for (const auto& path : removed) EXPECT_FALSE(ts::fileExists(path)) << ts::narrow(path);
    for (const auto& path : kept) EXPECT_TRUE(ts::fileExists(path)) << ts::narrow(path);
    EXPECT_TRUE(ts::directoryExists(desktop)) << "a shortcut's folder is not tidied";
    EXPECT_EQ(reports.size(), 5u) << "shortcut lines report nothing";
}

// A junction or symbolic link in the install folder (Wine 8 shows a Unix one
// as a reparse point with tag 0) leads out of it: lines through one are
// skipped like refused lines (no deletion, no report, not kept), and the
// tidy step does not enter it. A line naming a link itself touches nothing
// behind it, not even its attributes. The folders the links point to stand
// for the user's profile.
TEST_F(PerformUninstall, LinesThroughALinkBelowTheInstallFolderAreSkippedAndTheTidyStepStaysOut) {
    const std::wstring profile = temp / L"profile";
    for (const wchar_t* file : {L"Documents\\notes.txt", L"Documents\\app.js", L"Pictures\\b.png"}) {
        ASSERT_TRUE(ts::writeFile(profile + L"\\" + file, "the user's own"));
    }
    ASSERT_TRUE(CreateDirectoryW((profile + L"\\Documents\\empty").c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesW((profile + L"\\Pictures").c_str(), FILE_ATTRIBUTE_HIDDEN));
    plant(L"web\\app.js");
    ASSERT_TRUE(ts::makeSymbolicLink(in(L"docs"), profile + L"\\Documents"));
    ASSERT_TRUE(ts::makeSymbolicLink(in(L"web\\pictures"), profile + L"\\Pictures"));
    writeManifest("docs/notes.txt\ndocs/app.js\ndocs/empty/gone.txt\nweb/pictures/b.png\nweb/app.js\nweb/pictures\n");

    EXPECT_TRUE(run()) << ts::narrow(error);
    for (const wchar_t* file : {L"Documents\\notes.txt", L"Documents\\app.js", L"Pictures\\b.png"}) {
        EXPECT_EQ(ts::readFile(profile + L"\\" + file), "the user's own") << ts::narrow(file);
    }
    EXPECT_TRUE(ts::directoryExists(profile + L"\\Documents\\empty"));
    EXPECT_TRUE(GetFileAttributesW((profile + L"\\Pictures").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(exists(L"web\\app.js"));
    EXPECT_FALSE(exists(L"install-manifest.txt")) << "a skipped line leaves nothing to keep";
    EXPECT_EQ(reports, (Reports{{5, L"Reading the install manifest\u2026"},
                                {20, L"Deleting files\u2026"},
                                {65, L"Deleting app.js"},
                                {70, L"Deleting pictures"},
                                {80, L"Tidying up\u2026"},
                                {90, L"Removing the registry entries\u2026"},
                                {100, L"Done"}}));
    SetFileAttributesW((profile + L"\\Pictures").c_str(), FILE_ATTRIBUTE_NORMAL);
}

class PerformUninstallPurge : public PerformUninstall {
protected:
    void SetUp() override {
        PerformUninstall::SetUp();
        ASSERT_FALSE(dataFolder.empty());
        writeManifest("app.js\n");
        plant(L"app.js");
        plant(L"tessark-studio.json", "{}");
        plant(L"my-project.tsk", "the user's own");
        ASSERT_TRUE(ts::writeFile(dataFolder + L"\\Cache\\index.bin", "c"));
        ASSERT_TRUE(ts::writeFile(dataFolder + L"\\Cache\\deep\\blob.bin", "c"));
        ASSERT_TRUE(SetFileAttributesW((dataFolder + L"\\Cache\\deep\\blob.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    }
    void TearDown() override { ts::removeTree(dataFolder); }

    // Runs on another thread: a confirmation or progress window from the shell
    // would block it, which the time limit turns into a failure.
    bool runWithoutUi() {
        auto result = std::async(std::launch::async, [this] {
            win::ComApartment apartment;
            return run();
        });
        if (result.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            ADD_FAILURE() << "the uninstall is waiting for something (a dialog?)";
            std::terminate();
        }
        return result.get();
    }

    std::wstring dataFolder = localAppData() + L"\\TessarkStudio";
};

TEST_F(PerformUninstallPurge, DeletesSettingsAndTheDataTreeSilently) {
    options.purgeSettings = true;
    EXPECT_TRUE(runWithoutUi());
    EXPECT_FALSE(exists(L"tessark-studio.json"));
    EXPECT_FALSE(ts::directoryExists(dataFolder));
    EXPECT_TRUE(exists(L"my-project.tsk")) << "purge deletes only what it names";
}

TEST_F(PerformUninstallPurge, PurgeStillDeletesSettingsAndDataWhenAFileIsLeft) {
    options.purgeSettings = true;
    win::UniqueFile busy(CreateFileW(in(L"app.js").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(busy);
    EXPECT_FALSE(runWithoutUi());
    EXPECT_FALSE(exists(L"tessark-studio.json"));
    EXPECT_FALSE(ts::directoryExists(dataFolder));
    EXPECT_TRUE(registryEntryExists());
}

TEST_F(PerformUninstallPurge, WithoutPurgeSettingsAndDataStay) {
    EXPECT_TRUE(runWithoutUi());
    EXPECT_TRUE(exists(L"tessark-studio.json"));
    EXPECT_TRUE(ts::fileExists(dataFolder + L"\\Cache\\deep\\blob.bin"));
    EXPECT_FALSE(exists(L"app.js"));
}

}  // namespace
