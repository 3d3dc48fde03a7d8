// The install record: the manifest file in the install folder, and the
// removal of what a manifest lists together with the folders that removal
// leaves empty. The install writes the record and, on an update, removes what
// the previous record lists and the new one does not; the uninstall reads it
// back and removes what it lists. Both remove through deleteListedFiles, under
// the reading rules of install/core/manifest.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A path as payloads and manifests store it (UTF-8, '/' separators) as a
// Windows path relative to the install folder.
std::wstring windowsRelativePath(std::string_view storedPath);

// The whole manifest file, or false when it is missing, locked, larger than
// any the installer writes, shorter than its size said, or does not start
// with the manifest's header (a file the installer never wrote, or one a
// failed write emptied).
bool readManifestFile(const std::wstring& path, std::string& bytes);

// Writes the manifest text into a new file at `path` and makes sure it is on
// the disk; false when it could not. writeFlushedManifest in the product.
using ManifestWriter = std::function<bool(const std::wstring& path, const std::string& manifest)>;
bool writeFlushedManifest(const std::wstring& path, const std::string& manifest);

// Replaces the manifest of installDir in one step: `write` puts the text into
// "install-manifest.txt.new" beside it, which is then moved over the manifest
// (MoveFileExW, replacing, write-through). False when either step fails, or
// when a link stands at the temporary file's place (it is not written
// through); the manifest is then as it was and the temporary file is gone.
bool replaceManifestFile(const std::wstring& installDir, const std::string& manifest,
                         const ManifestWriter& write = writeFlushedManifest);

// Called after each file line is acted on: the line's number (from 1), the
// number of lines in the manifest, and the file's full path.
using ListedFileReport =
    std::function<void(std::uint64_t lineNumber, std::uint64_t lineCount, const std::wstring& path)>;

// The listed paths a removal leaves alone: neither deleted nor counted as left.
using ListedPathFilter = std::function<bool(const std::wstring& path)>;

// What deleteListedFiles could not remove, and where it removed files.
struct ListedRemoval {
    std::vector<std::wstring> folders;  // of the files it deleted or tried to, for removeEmptiedFolders
    std::string leftFileLines;          // the lines whose file is still there, each ended by '\n'
    std::string leftShortcutLines;      // the same for shortcut lines, '@' included
    std::wstring firstLeftPath;         // the full path of the first line left, empty when none
    bool anythingLeft() const { return !firstLeftPath.empty(); }
};

// Deletes what each line that the reading rules act on names, unless
// `leaveAlone` holds for its path: a shortcut by its absolute path, a file
// below installDir. A path still there afterwards (in use, say) keeps its line.
// A file line whose path leads through a link below installDir is skipped as
// the rules skip a line: nothing deleted, reported or kept.
ListedRemoval deleteListedFiles(std::string_view manifest, const std::wstring& installDir,
                                const ListedFileReport& report, const ListedPathFilter& leaveAlone);

// The update's cleanup: deletes what the `previous` manifest lists and the
// `current` one does not, the paths compared as Windows compares them (so a
// file renamed only in letter case is the one just written), then the
// folders this leaves empty. Returns the lines of what could not be deleted,
// file lines before shortcut lines, for the current manifest to keep.
std::string removeReplacedFiles(std::string_view previous, std::string_view current, const std::wstring& installDir);

// Removes `folder` when it is empty, then its parent when that became empty,
// and so on upward while the path is longer than installDir. Every folder
// handed in lies inside the install folder, so comparing lengths is enough to
// stop short of it: the install folder itself is never removed here. Stops
// silently at the first folder that is missing, not a folder, not empty or
// not removable, and at one that is a link or lies behind one below
// installDir: the walk never lists or removes through a link.
void removeEmptyDirectories(const std::wstring& folder, const std::wstring& installDir);

// removeEmptyDirectories for each folder, longest path first, so that a
// subfolder is removed before the walk from its parent looks at that parent.
void removeEmptiedFolders(std::vector<std::wstring> folders, const std::wstring& installDir);
