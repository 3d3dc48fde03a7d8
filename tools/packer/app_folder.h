// The application folder as the payload will hold it: every regular file
// under the folder, named by its UTF-8 path relative to the folder with '/'
// between components, in payload order - TessarkStudio.exe first,
// uninstall.exe second, then every other file in ascending byte order of its
// path. Directory order never matters, so the same folder always gives the
// same list.
//
// Symbolic links inside the folder are refused, not followed: a link can
// point outside the folder, into a loop, or at a file that differs between
// machines, and a payload has no way to hold a link. Empty folders are
// skipped: the container holds files only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace packer {

struct SourceFile {
    std::string payloadPath;           // UTF-8, '/' separators
    std::filesystem::path sourcePath;  // where its bytes are read from
    std::uint64_t size = 0;
};

// Files the build supplies in place of (or in addition to) the folder's own.
struct FolderOverrides {
    std::optional<std::filesystem::path> appExe;       // --app-exe
    std::optional<std::filesystem::path> uninstaller;  // --replace-uninstaller
};

// "TessarkStudio.exe" and "uninstall.exe": the first two entries of every payload.
const std::string& appExeName();
const std::string& uninstallerName();

// Throws Error for a missing folder, a link or special file, a path that
// breaks the payload path rule, two paths that clash on Windows, or a folder
// without TessarkStudio.exe or uninstall.exe at its top. Replacing a file the
// folder already has prints a warning to `warnings`.
std::vector<SourceFile> collectAppFiles(const std::filesystem::path& folder, const FolderOverrides& overrides,
                                        std::ostream& warnings);

// The path as it can be shown in a message: a path that is not valid UTF-8
// or holds control characters shows its non-ASCII and control bytes as \xNN.
std::string printablePath(const std::string& path);

}  // namespace packer
