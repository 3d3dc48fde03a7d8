// The uninstall procedure. The install manifest is its only record of what to
// delete; apart from it only fixed names are touched: the application's
// session and settings files, its per-user data folder and the uninstall
// entry. Steps after the manifest read never fail the run: the user is better
// served by removing everything that can be removed than by stopping half way.
#include "uninstall/uninstall.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/product.h"
#include "install/core/manifest.h"
#include "install/core/paths.h"
#include "install/file_io.h"
#include "install/process.h"
#include "install/registration.h"
#include "platform/guids.h"
#include "platform/owners.h"
#include "uninstall/leftovers.h"

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

// The installer writes about 40 KB of manifest. A file far beyond that is not
// one it wrote, and reading it whole would risk running out of memory.
constexpr std::uint64_t kMaxManifestBytes = 64ull << 20;
static_assert(kMaxManifestBytes <= MAXDWORD, "one ReadFile call reads the whole manifest");

// The whole manifest, or nothing when it is missing, locked, oversized or
// shorter than its size said.
bool readManifest(const std::wstring& path, std::string& bytes) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return false;
    const auto requested = static_cast<std::uint64_t>(size.QuadPart);
    // Is the manifest larger than any the installer writes?
    if (requested > kMaxManifestBytes) return false;
    bytes.assign(static_cast<std::size_t>(requested), '\0');
    if (bytes.empty()) return true;
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(requested), &read, nullptr)) return false;
    return read == requested;
}

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

std::wstring toWindowsSeparators(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// Deletes one file the installer wrote and returns the folder it was in.
std::wstring deleteInstalledFile(const std::wstring& installDir, const std::wstring& relative) {
    const std::wstring full = joinPath(installDir, relative);
    // DeleteFileW refuses read-only files.
    SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(full.c_str());
    return parentPath(full);
}

// Deletes what each manifest line names and returns the folders of the
// deleted files, for the tidy step.
std::vector<std::wstring> deleteListedFiles(const std::string& manifest, const std::wstring& installDir,
                                            const ProgressCallback& progress) {
    const std::vector<ManifestLine> lines = readManifestLines(manifest);
    std::vector<std::wstring> folders;
    std::uint64_t lineNumber = 0;
    for (const ManifestLine& line : lines) {
        ++lineNumber;
        if (line.kind == ManifestLineKind::Skipped) continue;
        const std::wstring path = utf8ToWide(line.text);
        if (line.kind == ManifestLineKind::Shortcut) {
            DeleteFileW(path.c_str());
            continue;
        }
        const std::wstring relative = toWindowsSeparators(path);
        folders.push_back(deleteInstalledFile(installDir, relative));
        progress(fileProgress(lineNumber, lines.size()), kDeletingPrefix + fileName(relative));
    }
    return folders;
}

// Longest first, so that a subfolder is removed before the walk from its
// parent looks at that parent.
void removeEmptiedFolders(std::vector<std::wstring> folders, const UninstallOptions& options) {
    std::sort(folders.begin(), folders.end(),
              [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const std::wstring& folder : folders) removeEmptyDirectories(folder, options);
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
    if (!readManifest(manifestPath, manifest)) {
        error = kManifestMissing + installDir;
        return false;
    }

    removeExplorerEntries(installDir, progress);

    progress(kPercentFilesStart, kDeletingFiles);
    std::vector<std::wstring> folders = deleteListedFiles(manifest, installDir, progress);

    progress(kPercentTidying, kTidyingUp);
    removeEmptiedFolders(std::move(folders), options);

    progress(kPercentRegistry, kRemovingRegistryEntries);
    RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey);
    DeleteFileW(manifestPath.c_str());
    DeleteFileW(joinPath(installDir, product::kSessionFile).c_str());

    if (options.purgeSettings) purgeSettingsAndData(installDir);

    progress(kPercentDone, kDone);
    return true;
}
