// performInstall on payloads built in memory: the progress it reports, what
// it leaves on disk and in the registry, and where it stops when a step fails.
#include "common/known_folders.h"
#include "install/install.h"

#include "common/core/product.h"
#include "common/owners.h"
#include "install/core/manifest.h"
#include "install/registration.h"
#include "memory_payload.h"
#include "support/symbolic_link.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <ostream>

namespace {

struct Report {
    int percent;
    std::wstring text;
    bool operator==(const Report&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Report& r) {
    return out << r.percent << " \"" << ts::narrow(r.text) << "\"";
}

struct InstallRun {
    bool ok = false;
    std::wstring error;
    std::vector<Report> reports;
};

std::wstring startMenuShortcut() { return knownFolderPath(FOLDERID_Programs) + L"\\Tessark Studio.lnk"; }
std::wstring desktopShortcut() { return knownFolderPath(FOLDERID_Desktop) + L"\\Tessark Studio.lnk"; }

class PerformInstall : public ::testing::Test {
protected:
    void SetUp() override {
        // The tests of this program share one Wine prefix: start each from a
        // machine without an install.
        RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey);
        DeleteFileW(startMenuShortcut().c_str());
        DeleteFileW(desktopShortcut().c_str());
        options.installDir = dir;
        options.explorerEntries = false;  // no application in these payloads
    }

    InstallRun install(const PayloadSource& source, const ManifestWriter& writer = writeFlushedManifest) {
        InstallRun run;
        const ProgressCallback record = [&run](int percent, const std::wstring& text) {
            run.reports.push_back({percent, text});
        };
        run.ok = performInstall(options, record, run.error, source, writer);
        return run;
    }

    std::optional<std::string> manifest() const { return ts::readFile(temp / L"Tessark Studio\\install-manifest.txt"); }
    std::string shortcutLines() const {
        return "@" + ts::narrow(startMenuShortcut()) + "\n" + "@" + ts::narrow(desktopShortcut()) + "\n";
    }

    win::ComApartment com;  // the shortcut step creates shell link objects
    ts::TempDir temp;
    const std::wstring dir = temp / L"Tessark Studio";
    InstallOptions options;
};

const std::wstring kWritingFiles = L"Writing files\u2026";

TEST_F(PerformInstall, ReportsEveryStepForAOneFilePayload) {
    options.explorerEntries = true;  // the step is reported even though a.txt is no program
    const MemoryPayload payload(Files{{"a.txt", "alpha"}});
    const InstallRun run = install(payload.source());
    ASSERT_TRUE(run.ok) << ts::narrow(run.error);
    const std::vector<Report> expected = {
        {0, L"Reading the package\u2026"},
        {55, L"Unpacking\u2026"},
        {55, kWritingFiles},
        {55, L"Writing a.txt"},
        {92, L"Creating shortcuts\u2026"},
        {95, L"Registering\u2026"},
        {98, L"Adding the Explorer entries\u2026"},
        {100, L"Done"},
    };
    EXPECT_EQ(run.reports, expected);
}

TEST_F(PerformInstall, ReportsTheFirstAndEvery24thFileAndSkipsTheExplorerStepWhenOff) {
    options.desktopShortcut = false;
    options.startMenuShortcut = false;
    const MemoryPayload payload(numberedFiles(25));
    const InstallRun run = install(payload.source());
    ASSERT_TRUE(run.ok) << ts::narrow(run.error);
    const std::vector<Report> expected = {
        {0, L"Reading the package\u2026"},
        {55, L"Unpacking\u2026"},
        {55, kWritingFiles},
        {55, L"Writing f000.txt"},
        {88, L"Writing f024.txt"},
        {92, L"Creating shortcuts\u2026"},  // made with both shortcuts off
        {95, L"Registering\u2026"},
        {100, L"Done"},
    };
    EXPECT_EQ(run.reports, expected);
}

TEST_F(PerformInstall, SpreadsUnpackingAndFileReportsOverTheirRanges) {
    // 792 files of 8 bytes in 7 chunks of 1,000 bytes: the shape of the
    // shipped payload, in miniature.
    const MemoryPayload payload(numberedFiles(792), 1000);
    const InstallRun run = install(payload.source());
    ASSERT_TRUE(run.ok) << ts::narrow(run.error);

    std::vector<int> unpacking;
    std::vector<int> files;
    for (const Report& r : run.reports) {
        if (r.text == L"Unpacking\u2026") unpacking.push_back(r.percent);
        if (r.text.starts_with(L"Writing f") && r.text.ends_with(L".txt")) files.push_back(r.percent);
    }
    EXPECT_EQ(unpacking, (std::vector<int>{7, 15, 23, 31, 39, 46, 55}));
    const std::vector<int> expectedFiles = {55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71,
                                            73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89};
    EXPECT_EQ(files, expectedFiles);
    EXPECT_EQ(run.reports[run.reports.size() - 4], (Report{89, L"Writing f791.txt"}));
    EXPECT_EQ(run.reports[9], (Report{55, L"Writing f000.txt"}));
    EXPECT_EQ(run.reports[10], (Report{56, L"Writing f024.txt"}));
}

TEST_F(PerformInstall, WritesEveryFileBelowTheFolderAndListsItInTheManifest) {
    const std::vector<MemoryFile> files = {
        {"TessarkStudio.exe", "MZ app"},
        {"uninstall.exe", "MZ uninstaller"},
        {"web/css/app.css", "body { margin: 0 }"},
        {"web/empty.txt", ""},
        {"web/caf\xC3\xA9.txt", "accent"},
    };
    const MemoryPayload payload(files);
    const InstallRun run = install(payload.source());
    ASSERT_TRUE(run.ok) << ts::narrow(run.error);

    for (const MemoryFile& file : files) {
        std::wstring relative = ts::widen(file.path);
        for (wchar_t& c : relative) c = (c == L'/') ? L'\\' : c;
        EXPECT_EQ(ts::readFile(dir + L"\\" + relative), file.bytes) << file.path;
    }
    std::string expected(kManifestHeader);
    expected += "TessarkStudio.exe\nuninstall.exe\nweb/css/app.css\nweb/empty.txt\nweb/caf\xC3\xA9.txt\n";
    expected += "@" + ts::narrow(startMenuShortcut()) + "\n";
    expected += "@" + ts::narrow(desktopShortcut()) + "\n";
    EXPECT_EQ(manifest(), expected);
    EXPECT_TRUE(ts::fileExists(startMenuShortcut()));
    EXPECT_TRUE(ts::fileExists(desktopShortcut()));
}

TEST_F(PerformInstall, ReinstallOverwritesEveryFileAndWritesTheSameManifest) {
    const MemoryPayload payload(Files{{"a.txt", "alpha"}, {"web/b.txt", "beta"}});
    ASSERT_TRUE(install(payload.source()).ok);
    const auto firstManifest = manifest();
    ASSERT_TRUE(ts::writeFile(dir + L"\\a.txt", "a much longer local edit"));
    ASSERT_TRUE(ts::writeFile(dir + L"\\web\\b.txt", ""));
    ASSERT_TRUE(ts::writeFile(dir + L"\\old.txt", "from an older version"));

    ASSERT_TRUE(install(payload.source()).ok);
    EXPECT_EQ(ts::readFile(dir + L"\\a.txt"), "alpha");
    EXPECT_EQ(ts::readFile(dir + L"\\web\\b.txt"), "beta");
    EXPECT_EQ(manifest(), firstManifest);
    EXPECT_TRUE(ts::fileExists(dir + L"\\old.txt"));  // an install never deletes
}

// The previous manifest, as a hand may have edited it: paths that name the
// files this run writes in another spelling, files and a shortcut it no
// longer writes, one of them read-only and one in use, and a line the rules
// refuse. Sentinels stand where a careless comparison or a refused line
// would reach.
TEST_F(PerformInstall, UpdateRemovesWhatThePreviousManifestListsAndThisRunDidNotWrite) {
    const std::wstring oldShortcut = temp / L"Old Desktop\\Tessark Studio.lnk";
    ASSERT_TRUE(ts::writeFile(oldShortcut, "L"));
    ASSERT_TRUE(ts::writeFile(temp / L"outside.txt", "keep"));
    for (const wchar_t* stale : {L"old\\deep\\gone.txt", L"read-only.txt", L"busy.txt", L"A.TXT", L"web\\b.txt"}) {
        ASSERT_TRUE(ts::writeFile(dir + L"\\" + stale, "previous"));
    }
    ASSERT_TRUE(SetFileAttributesW((dir + L"\\read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(ts::writeFile(dir + L"\\install-manifest.txt",
                              std::string(kManifestHeader) + "A.TXT\nweb/./b.txt\nold/deep/gone.txt\nread-only.txt\n"
                                  "busy.txt\n../outside.txt\n@" + ts::narrow(oldShortcut) + "\n"));
    win::UniqueFile busy(CreateFileW((dir + L"\\busy.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(busy);

    const MemoryPayload payload(Files{{"a.txt", "new a"}, {"web/b.txt", "new b"}});
    const InstallRun run = install(payload.source());
    busy.reset();
    ASSERT_TRUE(run.ok) << ts::narrow(run.error);

    EXPECT_EQ(ts::readFile(dir + L"\\a.txt"), "new a");
    EXPECT_EQ(ts::readFile(dir + L"\\web\\b.txt"), "new b");
    EXPECT_FALSE(ts::directoryExists(dir + L"\\old"));
    EXPECT_FALSE(ts::fileExists(dir + L"\\read-only.txt"));
    EXPECT_FALSE(ts::fileExists(oldShortcut));
    EXPECT_TRUE(ts::fileExists(temp / L"outside.txt"));
    EXPECT_TRUE(ts::fileExists(dir + L"\\busy.txt"));
    EXPECT_EQ(manifest(), std::string(kManifestHeader) + "a.txt\nweb/b.txt\nbusy.txt\n" + shortcutLines());
    // The cleanup belongs to the shortcut step: no report of its own.
    EXPECT_EQ(std::count_if(run.reports.begin(), run.reports.end(), [](const Report& r) { return r.percent == 92; }), 1);
}

TEST_F(PerformInstall, AnUnreadablePreviousManifestRemovesNothing) {
    ASSERT_TRUE(ts::writeFile(dir + L"\\old.txt", "previous"));
    ASSERT_TRUE(ts::writeFile(dir + L"\\install-manifest.txt", "# edited by hand\n" + std::string(kManifestHeader) + "old.txt\n"));
    const MemoryPayload payload(Files{{"a.txt", "new a"}});
    ASSERT_TRUE(install(payload.source()).ok);
    EXPECT_TRUE(ts::fileExists(dir + L"\\old.txt"));
    EXPECT_EQ(manifest(), std::string(kManifestHeader) + "a.txt\n" + shortcutLines());
}

// The new manifest replaces the old one in one step or not at all: a write
// that fails half way, and a replacement Windows refuses while another
// program holds the old manifest without sharing its deletion.
TEST_F(PerformInstall, AManifestThatCannotBeWrittenLeavesThePreviousOneByteForByte) {
    const MemoryPayload previousPayload(Files{{"a.txt", "a"}, {"old.txt", "old"}});
    ASSERT_TRUE(install(previousPayload.source()).ok);
    const auto previous = manifest();
    const std::wstring temporary = dir + L"\\install-manifest.txt.new";
    const ManifestWriter failsHalfWay = [](const std::wstring& path, const std::string& text) {
        ts::writeFile(path, text.substr(0, text.size() / 2));
        return false;
    };
    const struct {
        const char* name;
        ManifestWriter writer;
        bool holdManifest;
    } cases[] = {
        {"the writer fails after creating the file", failsHalfWay, false},
        {"the manifest is held open", writeFlushedManifest, true},
    };
    const MemoryPayload payload(Files{{"a.txt", "new a"}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        win::UniqueFile holder;
        if (c.holdManifest) {
            holder.reset(CreateFileW((dir + L"\\install-manifest.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(holder);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey);
        const InstallRun run = install(payload.source(), c.writer);
        holder.reset();
        EXPECT_FALSE(run.ok);
        EXPECT_EQ(run.error, L"Could not write the install manifest.");
        EXPECT_EQ(run.reports.back(), (Report{92, L"Creating shortcuts\u2026"}));
        EXPECT_EQ(manifest(), previous);
        EXPECT_FALSE(ts::fileExists(temporary));
        EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey));
    }
}

TEST_F(PerformInstall, AFileHeldOpenStopsTheRunBeforeManifestAndRegistry) {
    const MemoryPayload payload(Files{{"a.txt", "new a"}, {"b.txt", "new b"}, {"c.txt", "new c"}});
    ASSERT_TRUE(ts::writeFile(dir + L"\\a.txt", "old a"));
    ASSERT_TRUE(ts::writeFile(dir + L"\\b.txt", "old b"));
    ASSERT_TRUE(ts::writeFile(dir + L"\\install-manifest.txt", "# the previous install's manifest\n"));
    const std::wstring held = dir + L"\\b.txt";
    win::UniqueFile holder(CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);

    const InstallRun run = install(payload.source());
    holder.reset();
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.error, L"Could not write " + held + L"\n\nIf Tessark Studio is still running, close it and try again.");
    EXPECT_EQ(run.reports.back(), (Report{55, L"Writing a.txt"}));
    EXPECT_EQ(ts::readFile(dir + L"\\a.txt"), "new a");
    EXPECT_EQ(ts::readFile(dir + L"\\b.txt"), "old b");
    EXPECT_FALSE(ts::fileExists(dir + L"\\c.txt"));
    EXPECT_EQ(manifest(), "# the previous install's manifest\n");
    EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, product::kUninstallKey));
    EXPECT_FALSE(ts::fileExists(desktopShortcut()));
}

std::wstring missingDrive() {
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'Y'; letter > L'D'; --letter) {
        if (!(drives & (1u << (letter - L'A')))) return std::wstring(1, letter) + L":";
    }
    return {};
}

TEST_F(PerformInstall, AnInstallFolderThatCannotBeCreatedIsNamedInTheError) {
    ASSERT_TRUE(ts::writeFile(temp / L"plain-file", "x"));
    const std::wstring drive = missingDrive();
    ASSERT_FALSE(drive.empty());
    const MemoryPayload payload(Files{{"a.txt", "a"}});
    for (const std::wstring& folder : {temp / L"plain-file\\Tessark Studio", drive + L"\\Apps\\Tessark Studio"}) {
        options.installDir = folder;
        const InstallRun run = install(payload.source());
        EXPECT_FALSE(run.ok) << ts::narrow(folder);
        EXPECT_EQ(run.error, L"Could not create " + folder);
        EXPECT_EQ(run.reports.back().text, L"Unpacking\u2026");
    }
}

TEST_F(PerformInstall, AFileFolderThatCannotBeCreatedIsNamedInTheError) {
    ASSERT_TRUE(ts::writeFile(dir + L"\\web", "a file where a folder should be"));
    const MemoryPayload payload(Files{{"a.txt", "a"}, {"web/css/app.css", "css"}});
    const InstallRun run = install(payload.source());
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.error, L"Could not create " + dir + L"\\web\\css");
    EXPECT_FALSE(manifest().has_value());
}

// A folder link in the install folder (Wine 8 shows a Unix one as a reparse
// point with tag 0) would take the files below it elsewhere: the install
// stops at the first file it would write through one, naming that file's
// folder, and writes nothing there.
TEST_F(PerformInstall, NeverWritesThroughAFolderLinkBelowTheInstallFolder) {
    const MemoryPayload payload(Files{{"a.txt", "a"}, {"web/css/app.css", "ours"}, {"web/js/app.js", "ours"}});
    const struct {
        const char* name;
        const wchar_t* folderAbove;  // a real folder, empty for none
        const wchar_t* link;
    } cases[] = {
        {"a link where a folder of the payload goes", L"", L"web"},
        {"a link deeper down", L"web", L"web\\css"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring folder = temp / (L"case " + std::to_wstring(++n));
        const std::wstring victim = temp / (L"victim " + std::to_wstring(n));
        ASSERT_TRUE(ts::writeFile(victim + L"\\css\\app.css", "not ours"));
        ASSERT_TRUE(ts::writeFile(victim + L"\\app.css", "not ours"));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        if (*c.folderAbove) {
            ASSERT_TRUE(CreateDirectoryW((folder + L"\\" + c.folderAbove).c_str(), nullptr));
        }
        ASSERT_TRUE(ts::makeSymbolicLink(folder + L"\\" + c.link, victim));

        options.installDir = folder;
        const InstallRun run = install(payload.source());
        EXPECT_FALSE(run.ok);
        EXPECT_EQ(run.error, L"Could not create " + folder + L"\\web\\css");
        EXPECT_EQ(ts::readFile(victim + L"\\css\\app.css"), "not ours");
        EXPECT_EQ(ts::readFile(victim + L"\\app.css"), "not ours");
        EXPECT_FALSE(ts::directoryExists(victim + L"\\js"));
        EXPECT_FALSE(ts::directoryExists(victim + L"\\css\\css"));
        EXPECT_FALSE(ts::fileExists(folder + L"\\install-manifest.txt"));
    }
}

// People move an application to another drive by leaving a link in its place.
TEST_F(PerformInstall, AnInstallFolderThatIsALinkItselfIsInstalledInto) {
    const std::wstring elsewhere = temp / L"other drive\\Tessark Studio";
    ASSERT_TRUE(CreateDirectoryW((temp / L"other drive").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
    ASSERT_TRUE(ts::makeSymbolicLink(dir, elsewhere));
    const MemoryPayload payload(Files{{"a.txt", "a"}, {"web/css/app.css", "ours"}});
    const InstallRun run = install(payload.source());
    ASSERT_TRUE(run.ok) << ts::narrow(run.error);
    EXPECT_EQ(ts::readFile(elsewhere + L"\\web\\css\\app.css"), "ours");
    EXPECT_TRUE(ts::fileExists(elsewhere + L"\\install-manifest.txt"));
}

TEST_F(PerformInstall, AnEntryReachingPastTheImageIsRefusedBeforeAnyWrite) {
    const MemoryPayload payload(Files{{"a.txt", "alpha"}, {"b.txt", "beta"}});
    const PayloadSource parse = payload.source();
    const PayloadSource stretched = [&parse](Payload& p, std::wstring& error) {
        if (!parse(p, error)) return false;
        p.entries[1].size = ~std::uint64_t{0} - 2;  // offset + size wraps around
        return true;
    };
    const InstallRun run = install(stretched);
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.error, L"The payload file table is malformed.");
    EXPECT_FALSE(ts::directoryExists(dir));
}

TEST_F(PerformInstall, AProgramWithoutPayloadFailsWithTheReadersMessage) {
    // This test program carries no PAYLOAD resource: the product's own entry
    // point reads the running module, finds nothing and says so.
    InstallRun run;
    run.ok = performInstall(options, [&run](int p, const std::wstring& t) { run.reports.push_back({p, t}); },
                            run.error);
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.error, L"This installer was built without its payload.");
    EXPECT_EQ(run.reports, (std::vector<Report>{{0, L"Reading the package\u2026"}}));
    EXPECT_FALSE(ts::directoryExists(dir));
}

TEST_F(PerformInstall, AnEmptyInstallFolderWritesBelowTheCurrentFolderWithoutCrashing) {
    // The command line never lets an empty folder through; should one come,
    // the paths are relative and land in the current folder.
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(temp.path().c_str());
    options.installDir.clear();
    options.desktopShortcut = false;
    options.startMenuShortcut = false;
    const MemoryPayload payload(Files{{"web/a.txt", "a"}});
    const InstallRun run = install(payload.source());
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(ts::readFile(temp / L"web\\a.txt"), "a");
    EXPECT_TRUE(ts::fileExists(temp / L"install-manifest.txt"));
}

}  // namespace
