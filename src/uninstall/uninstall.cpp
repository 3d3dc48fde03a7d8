// The uninstall procedure. The install manifest is its only record of what to
// delete; apart from it only fixed names are touched: the application's
// session and settings files, its per-user data folder and the uninstall
// entry. No step after the manifest read stops the run: the user is better
// served by removing everything that can be removed than by stopping half way.
// But the run reports success only when nothing it lists is left: files it
// could not delete (in use) stay in the manifest, with the uninstaller and the
// uninstall entry, so that running it again finishes the job.
#include "uninstall/uninstall.h"

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/file_io.h"
#include "common/guids.h"
#include "common/known_folders.h"
#include "common/process.h"
#include "install/core/manifest.h"
#include "install/install_record.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

constexpr wchar_t kReadingManifest[] = L"Reading the install manifest\u2026";
constexpr wchar_t kRemovingExplorerEntries[] = L"Removing the Explorer entries\u2026";
constexpr wchar_t kDeletingFiles[] = L"Deleting files\u2026";
constexpr wchar_t kDeletingPrefix[] = L"Deleting ";
constexpr wchar_t kTidyingUp[] = L"Tidying up\u2026";
constexpr wchar_t kRemovingRegistryEntries[] = L"Removing the registry entries\u2026";
constexpr wchar_t kDone[] = L"Done";
constexpr wchar_t kManifestMissing[] =
    L"install-manifest.txt is missing, so there is no record of what was installed.\n\n"
    L"Delete the folder by hand:\n";
constexpr wchar_t kFilesLeft[] =
    L"Some files could not be removed because they are in use. Close Tessark Studio and run the uninstaller "
    L"again.\n\n";  // + the first file left
// The uninstaller's line in the record it keeps, as the installer writes it.
constexpr char kUninstallerLine[] = "uninstall.exe\n";

// Progress percent → stage.
constexpr int kPercentReading = 5;
constexpr int kPercentExplorerEntries = 10;
constexpr int kPercentFilesStart = 20;
constexpr int kPercentFilesSpan = 55;
constexpr int kPercentTidying = 80;
constexpr int kPercentRegistry = 90;
constexpr int kPercentDone = 100;
static_assert(kPercentFilesStart + kPercentFilesSpan < kPercentTidying);

// The application removes its own Explorer entries; it knows what it added.
void removeExplorerEntries(const std::wstring& installDir, const ProgressCallback& progress) {
    const std::wstring app = joinPath(installDir, product::kAppExe);
    if (!isExistingFile(app)) return;
    progress(kPercentExplorerEntries, kRemovingExplorerEntries);
    runAndWait(app, product::kUnregisterShellArgs, product::kShellStepTimeoutMs);
}

int fileProgress(std::uint64_t lineNumber, std::uint64_t lineTotal) {
    const std::uint64_t total = lineTotal == 0 ? 1 : lineTotal;
    return kPercentFilesStart + static_cast<int>(lineNumber * kPercentFilesSpan / total);
}

void purgeSettingsAndData(const std::wstring& installDir) {
    DeleteFileW(joinPath(installDir, product::kSettingsFile).c_str());
    const std::wstring localAppData = knownFolderPath(guids::kFolderLocalAppData);
    if (localAppData.empty()) return;
    const std::wstring dataFolder = joinPath(localAppData, product::kDataFolder);
    // Not SHFileOperationW: it enters links (under Wine 8 it deleted the files
    // of a folder a symbolic link inside pointed to, and its documentation
    // promises nothing either way). This shows no window either.
    if (isExistingDirectory(dataFolder)) deleteTreeWithoutFollowingLinks(dataFolder);
}

// Deletes the manifest once nothing it lists is left; a manifest that stays
// counts as a file left behind.
void deleteManifest(const std::wstring& installDir, ListedRemoval& removal) {
    DeleteFileW(joinPath(installDir, product::kManifestNewFile).c_str());  // a write that never finished
    if (removal.anythingLeft()) return;
    const std::wstring manifest = joinPath(installDir, product::kManifestFile);
    if (!deleteFileEvenIfReadOnly(manifest)) removal.firstLeftPath = manifest;
}

// The record of what is left: the same header and format, the lines whose
// files are still there, and the uninstaller, which has to stay to run again.
// When it cannot be written the old record stays, which lists all of that too.
void keepRecordOfWhatIsLeft(const std::wstring& installDir, const ListedRemoval& removal) {
    std::string manifest(kManifestHeader);
    manifest += removal.leftFileLines;
    manifest += kUninstallerLine;
    manifest += removal.leftShortcutLines;
    replaceManifestFile(installDir, manifest);
}

void removeFixedFiles(const UninstallOptions& options) {
    DeleteFileW(joinPath(options.installDir, product::kSessionFile).c_str());
    if (options.purgeSettings) purgeSettingsAndData(options.installDir);
}

}  // namespace

bool performUninstall(const UninstallOptions& options, const ProgressCallback& progress,
                      std::wstring& error) {
    const std::wstring& installDir = options.installDir;
    progress(kPercentReading, kReadingManifest);
    const std::wstring manifestPath = joinPath(installDir, product::kManifestFile);
    std::string manifest;
    if (!readManifestFile(manifestPath, manifest)) {
        error = kManifestMissing + installDir;
        return false;
    }

    removeExplorerEntries(installDir, progress);

    progress(kPercentFilesStart, kDeletingFiles);
    const auto reportFile = [&progress](std::uint64_t lineNumber, std::uint64_t lineCount, const std::wstring& path) {
        progress(fileProgress(lineNumber, lineCount), kDeletingPrefix + fileName(path));
    };
    // The running uninstaller cannot delete its own file: it is left alone, and
    // goes by the self-deletion once the program has exited.
    const std::wstring self = runningExecutablePath();
    const auto isSelf = [&self](const std::wstring& path) { return !self.empty() && isSamePath(path, self); };
    ListedRemoval removal = deleteListedFiles(manifest, installDir, reportFile, isSelf);

    progress(kPercentTidying, kTidyingUp);
    removeEmptiedFolders(std::move(removal.folders), installDir);
    deleteManifest(installDir, removal);
    if (removal.anythingLeft()) {
        keepRecordOfWhatIsLeft(installDir, removal);
        removeFixedFiles(options);
        error = kFilesLeft + removal.firstLeftPath;
        return false;
    }

    progress(kPercentRegistry, kRemovingRegistryEntries);
    RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey);
    removeFixedFiles(options);

    progress(kPercentDone, kDone);
    return true;
}
