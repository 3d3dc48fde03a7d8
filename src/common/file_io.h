// Text conversion and the file-system routines that the install, uninstall
// and platform code share.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// UTF-8 → UTF-16 with MultiByteToWideChar (CP_UTF8, no flags): malformed
// bytes become U+FFFD, nothing is reported. Empty in, empty out.
std::wstring utf8ToWide(std::string_view utf8);

// UTF-16 → UTF-8 with WideCharToMultiByte (CP_UTF8, no flags).
std::string wideToUtf8(std::wstring_view wide);

// True when the path names an existing file (not a folder), or an existing folder.
bool isExistingFile(const std::wstring& path);
bool isExistingDirectory(const std::wstring& path);

// True when the folder holds no entry besides "." and "..". Hidden and system
// entries count as content. A folder that cannot be listed counts as empty:
// a removal that follows then fails on its own if it is not.
bool isDirectoryEmpty(const std::wstring& folder);

// The same, with files (not folders) of the given names, letter case
// ignored, counting as nothing either.
bool holdsOnlyFilesNamed(const std::wstring& folder, std::span<const wchar_t* const> names);

// Deletes the file, a read-only one too (DeleteFileW refuses those, so the
// attributes are reset first). True when no file is left at the path: it was
// deleted, was never there, or is a folder.
bool deleteFileEvenIfReadOnly(const std::wstring& path);

// Makes sure a directory exists, creating missing parents first. An empty
// path counts as existing. Also true when a plain file stands at the path
// (CreateDirectoryW reports ERROR_ALREADY_EXISTS for it); writing below it
// fails later with the file's own path. The folders it creates get
// `security`, or the default (inherited) permissions when it is null.
bool ensureDirectory(const std::wstring& path, const SECURITY_ATTRIBUTES* security = nullptr);

// A link, for everything the install and the uninstall write or delete: a
// reparse point whose tag is a name surrogate (junction, symbolic link), or
// whose tag is 0 or cannot be read (Wine 8 shows a Unix symbolic link to a
// folder so). Other reparse points, such as cloud files (OneDrive) and
// deduplicated files, are ordinary files and folders. The path's last
// component is looked at itself, not followed.
bool isLink(const std::wstring& path);

// True when a component of `path` below `folder` is a link, the last one
// included, or when `path` does not lie in `folder` at all. Both are resolved
// as Windows resolves them (fullPathName), and each folder on the way is
// then looked at under the very name the whole path goes through: Windows
// trims trailing spaces only from the last name of a path, so "a " inside
// one is not "a". `folder` itself, and what lies above it, may be links.
bool passesThroughLink(const std::wstring& folder, const std::wstring& path);

// Deletes the folder with everything in it, without following links: a link
// inside is removed as a link (RemoveDirectoryW or DeleteFileW act on a
// junction or symbolic link itself), never entered; one whose tag cannot be
// read is left where it is (under Wine 8, removing a Unix symbolic link to an
// empty folder removes that folder instead). Read-only entries are deleted
// too. Failures are passed over; what cannot be deleted stays with its
// folders.
void deleteTreeWithoutFollowingLinks(const std::wstring& folder);

// Creates or overwrites the file with exactly `length` bytes, written in
// pieces of at most 1 MiB. Opened without sharing, so a file another process
// holds open (a running application) fails here instead of half-written.
bool writeWholeFile(const std::wstring& path, const std::uint8_t* bytes, std::uint64_t length);

// writeWholeFile, and the bytes flushed to the disk before the file is
// closed: a file that is to replace another in one step must be complete
// on the disk before that step.
bool writeWholeFileFlushed(const std::wstring& path, const std::uint8_t* bytes, std::uint64_t length);

// The path as Windows resolves it (GetFullPathNameW): absolute, '\'
// separators, "." and ".." components resolved. The path as given when it
// cannot be resolved.
std::wstring fullPathName(const std::wstring& path);

// Orders paths as the file system tells names apart: character by character,
// letter case ignored (CompareStringOrdinal), so "Web\App.css" and
// "web\app.css" are one key. Compare fullPathName results.
struct PathOrder {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

// True when both paths name the same file for Windows: their fullPathName
// results are equal, letter case ignored.
bool isSamePath(const std::wstring& a, const std::wstring& b);

// True when `path` is `folder` or lies below it, both resolved by
// fullPathName and compared with letter case ignored ("C:\Users\me2" is
// not below "C:\Users\me").
bool isSameOrBelow(const std::wstring& path, const std::wstring& folder);
