#include "install/install_record.h"

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/file_io.h"
#include "common/owners.h"
#include "install/core/manifest.h"

#include <windows.h>

#include <algorithm>

namespace {

// The installer writes about 40 KB of manifest. A file far beyond that is not
// one it wrote, and reading it whole would risk running out of memory.
constexpr std::uint64_t kMaxManifestBytes = 64ull << 20;
static_assert(kMaxManifestBytes <= MAXDWORD, "one ReadFile call reads the whole manifest");

// Deletes one file the installer wrote and returns the folder it was in.
std::wstring deleteInstalledFile(const std::wstring& installDir, const std::wstring& relative) {
    const std::wstring full = joinPath(installDir, relative);
    // DeleteFileW refuses read-only files.
    SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(full.c_str());
    return parentPath(full);
}

}  // namespace

std::wstring windowsRelativePath(std::string_view storedPath) {
    std::wstring path = utf8ToWide(storedPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

bool readManifestFile(const std::wstring& path, std::string& bytes) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return false;
    const auto requested = static_cast<std::uint64_t>(size.QuadPart);
    // Is the manifest larger than any the installer writes?
    if (requested > kMaxManifestBytes) return false;
    bytes.assign(static_cast<std::size_t>(requested), '\0');
    if (bytes.empty()) return false;  // no header
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(requested), &read, nullptr)) return false;
    return read == requested && startsWithManifestHeader(bytes);
}

bool writeFlushedManifest(const std::wstring& path, const std::string& manifest) {
    return writeWholeFileFlushed(path, reinterpret_cast<const std::uint8_t*>(manifest.data()), manifest.size());
}

bool replaceManifestFile(const std::wstring& installDir, const std::string& manifest, const ManifestWriter& write) {
    const std::wstring target = joinPath(installDir, product::kManifestFile);
    const std::wstring temporary = joinPath(installDir, product::kManifestNewFile);
    if (write(temporary, manifest) &&
        MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileW(temporary.c_str());
    return false;
}

std::vector<std::wstring> deleteListedFiles(std::string_view manifest, const std::wstring& installDir,
                                            const ListedFileReport& report) {
    const std::vector<ManifestLine> lines = readManifestLines(manifest);
    std::vector<std::wstring> folders;
    std::uint64_t lineNumber = 0;
    for (const ManifestLine& line : lines) {
        ++lineNumber;
        if (line.kind == ManifestLineKind::Skipped) continue;
        if (line.kind == ManifestLineKind::Shortcut) {
            DeleteFileW(utf8ToWide(line.text).c_str());
            continue;
        }
        const std::wstring relative = windowsRelativePath(line.text);
        folders.push_back(deleteInstalledFile(installDir, relative));
        report(lineNumber, lines.size(), relative);
    }
    return folders;
}

void removeEmptyDirectories(const std::wstring& folder, const std::wstring& installDir) {
    std::wstring current = folder;
    while (current.size() > installDir.size()) {
        if (!isExistingDirectory(current)) return;
        if (!isDirectoryEmpty(current)) return;
        if (!RemoveDirectoryW(current.c_str())) return;
        current = parentPath(current);
    }
}

void removeEmptiedFolders(std::vector<std::wstring> folders, const std::wstring& installDir) {
    std::sort(folders.begin(), folders.end(),
              [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const std::wstring& folder : folders) removeEmptyDirectories(folder, installDir);
}
