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

// A line the reading rules act on, with the path it names.
struct ListedPath {
    ManifestLineKind kind = ManifestLineKind::Skipped;
    std::string_view text;  // the line as read, without its '@'
    std::wstring path;      // a shortcut's as it stands, a file's joined to the install folder
};

ListedPath resolve(const ManifestLine& line, const std::wstring& installDir) {
    if (line.kind == ManifestLineKind::Shortcut) return {line.kind, line.text, utf8ToWide(line.text)};
    return {line.kind, line.text, joinPath(installDir, windowsRelativePath(line.text))};
}

enum class Removal {
    Gone,     // nothing is left at the path
    Left,     // the file is still there (in use)
    Skipped,  // the line leads through a link: not the installer's to delete
};

// Deletes what one listed line names. Every removal a manifest drives, the
// uninstall's and the update's, goes through here, so a rule about what may
// be deleted holds for both. A file line that leads through a link below the
// install folder (a junction or symbolic link another program or user put
// there) would delete whatever the link points to: it is skipped. A listed
// path that is a link itself is deleted as a link, its attributes untouched
// (they may be its target's).
Removal deleteListedPath(const ListedPath& listed, const std::wstring& installDir) {
    const bool file = listed.kind == ManifestLineKind::File;
    if (file && passesThroughLink(installDir, parentPath(listed.path))) return Removal::Skipped;
    if (isLink(listed.path)) {
        DeleteFileW(listed.path.c_str());
        return isExistingFile(listed.path) ? Removal::Left : Removal::Gone;
    }
    return deleteFileEvenIfReadOnly(listed.path) ? Removal::Gone : Removal::Left;
}

void keepLine(const ListedPath& listed, ListedRemoval& removal) {
    const bool shortcut = listed.kind == ManifestLineKind::Shortcut;
    std::string& lines = shortcut ? removal.leftShortcutLines : removal.leftFileLines;
    if (shortcut) lines += '@';
    lines += listed.text;
    lines += '\n';
    if (removal.firstLeftPath.empty()) removal.firstLeftPath = listed.path;
}

// Full path names, sorted as the file system tells them apart: built once,
// then only searched.
class PathSet {
public:
    void add(std::wstring path) { paths_.push_back(std::move(path)); }
    void seal() { std::sort(paths_.begin(), paths_.end(), PathOrder{}); }
    bool contains(const std::wstring& path) const {
        return std::binary_search(paths_.begin(), paths_.end(), path, PathOrder{});
    }

private:
    std::vector<std::wstring> paths_;
};

PathSet listedPaths(std::string_view manifest, const std::wstring& installDir) {
    PathSet paths;
    for (const ManifestLine& line : readManifestLines(manifest)) {
        if (line.kind != ManifestLineKind::Skipped) paths.add(fullPathName(resolve(line, installDir).path));
    }
    paths.seal();
    return paths;
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
    // A link standing there would take the write elsewhere.
    if (!isLink(temporary) && write(temporary, manifest) &&
        MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileW(temporary.c_str());
    return false;
}

ListedRemoval deleteListedFiles(std::string_view manifest, const std::wstring& installDir,
                                const ListedFileReport& report, const ListedPathFilter& leaveAlone) {
    const std::vector<ManifestLine> lines = readManifestLines(manifest);
    ListedRemoval removal;
    std::uint64_t lineNumber = 0;
    for (const ManifestLine& line : lines) {
        ++lineNumber;
        if (line.kind == ManifestLineKind::Skipped) continue;
        const ListedPath listed = resolve(line, installDir);
        const bool file = listed.kind == ManifestLineKind::File;
        if (!leaveAlone(listed.path)) {
            const Removal outcome = deleteListedPath(listed, installDir);
            if (outcome == Removal::Skipped) continue;
            if (outcome == Removal::Left) keepLine(listed, removal);
            if (file) removal.folders.push_back(parentPath(listed.path));
        }
        if (file) report(lineNumber, lines.size(), listed.path);
    }
    return removal;
}

std::string removeReplacedFiles(std::string_view previous, std::string_view current, const std::wstring& installDir) {
    const PathSet written = listedPaths(current, installDir);
    const auto writtenThisRun = [&written](const std::wstring& path) { return written.contains(fullPathName(path)); };
    const auto noReport = [](std::uint64_t, std::uint64_t, const std::wstring&) {};
    ListedRemoval removal = deleteListedFiles(previous, installDir, noReport, writtenThisRun);
    removeEmptiedFolders(std::move(removal.folders), installDir);
    return removal.leftFileLines + removal.leftShortcutLines;
}

void removeEmptyDirectories(const std::wstring& folder, const std::wstring& installDir) {
    std::wstring current = folder;
    while (current.size() > installDir.size()) {
        if (passesThroughLink(installDir, current)) return;
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
