// The uninstall procedure. The install manifest is its only record of what to
// delete; apart from it only fixed names are touched: the application's
// session and settings files, its per-user data folder and the uninstall
// entry. Steps after the manifest read never fail the run: the user is better
// served by removing everything that can be removed than by stopping half way.
#include "uninstall/uninstall.h"

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/file_io.h"
#include "common/guids.h"
#include "common/known_folders.h"
#include "common/process.h"
#include "install/install_record.h"

#include <windows.h>
#include <shellapi.h>

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

// Deletes the folder and everything in it, showing nothing: no confirmation,
// no progress window, no error box, nothing into the Recycle Bin.
void deleteTreeSilently(const std::wstring& folder) {
    std::wstring from = folder;
    from.push_back(L'\0');  // the source is a list ended by an empty entry; c_str() adds the other NUL
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
}

void purgeSettingsAndData(const std::wstring& installDir) {
    DeleteFileW(joinPath(installDir, product::kSettingsFile).c_str());
    const std::wstring localAppData = knownFolderPath(guids::kFolderLocalAppData);
    if (localAppData.empty()) return;
    const std::wstring dataFolder = joinPath(localAppData, product::kDataFolder);
    if (isExistingDirectory(dataFolder)) deleteTreeSilently(dataFolder);
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
    const auto deleteEverything = [](const std::wstring&) { return false; };
    ListedRemoval removal = deleteListedFiles(manifest, installDir, reportFile, deleteEverything);

    progress(kPercentTidying, kTidyingUp);
    removeEmptiedFolders(std::move(removal.folders), installDir);

    progress(kPercentRegistry, kRemovingRegistryEntries);
    RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey);
    DeleteFileW(manifestPath.c_str());
    DeleteFileW(joinPath(installDir, product::kManifestNewFile).c_str());  // a write that never finished
    DeleteFileW(joinPath(installDir, product::kSessionFile).c_str());

    if (options.purgeSettings) purgeSettingsAndData(installDir);

    progress(kPercentDone, kDone);
    return true;
}
