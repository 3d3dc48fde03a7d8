// The install record: the manifest file in the install folder, and the
// removal of what a manifest lists together with the folders that removal
// leaves empty. The install writes the record; the uninstall reads it back and
// acts on it, through the reading rules of install/core/manifest.h.
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
// (MoveFileExW, replacing, write-through). False when either step fails; the
// manifest is then as it was and the temporary file is gone.
bool replaceManifestFile(const std::wstring& installDir, const std::string& manifest,
                         const ManifestWriter& write = writeFlushedManifest);

// Called after each file line is acted on: the line's number (from 1), the
// number of lines in the manifest, and the file's path relative to the install
// folder.
using ListedFileReport =
    std::function<void(std::uint64_t lineNumber, std::uint64_t lineCount, const std::wstring& relativePath)>;

// Deletes what each line that the reading rules act on names: a shortcut by
// its absolute path, a file below installDir (read-only ones too). Failures
// are passed over. Returns the folders the deleted files were in, for
// removeEmptiedFolders.
std::vector<std::wstring> deleteListedFiles(std::string_view manifest, const std::wstring& installDir,
                                            const ListedFileReport& report);

// Removes `folder` when it is empty, then its parent when that became empty,
// and so on upward while the path is longer than installDir. Every folder
// handed in lies inside the install folder, so comparing lengths is enough to
// stop short of it: the install folder itself is never removed here. Stops
// silently at the first folder that is missing, not a folder, not empty or
// not removable.
void removeEmptyDirectories(const std::wstring& folder, const std::wstring& installDir);

// removeEmptyDirectories for each folder, longest path first, so that a
// subfolder is removed before the walk from its parent looks at that parent.
void removeEmptiedFolders(std::vector<std::wstring> folders, const std::wstring& installDir);
