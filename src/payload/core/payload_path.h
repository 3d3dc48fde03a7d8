// The rule every path in a payload obeys, shared by the packer (which refuses
// a folder that breaks it) and the container reader (which refuses a payload
// that breaks it). A payload path is joined to the install folder and written
// by the installer, so it must name a file strictly inside that folder that
// Windows can create under exactly that name:
//
//   - UTF-8, '/' between components, relative: not empty, no leading '/' or
//     '\', no '\' at all, no ':' (drive letters, alternate data streams), no
//     ".." anywhere (not even inside a name), no empty component ("a//b",
//     a trailing '/');
//   - each component a name Windows can hold: not a device name (CON, PRN,
//     AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, also with an extension and
//     in any letter case), not ending in '.' or ' ' (Windows strips them, so
//     "a." would land on "a"), none of < > " | ? * or a control character;
//   - readable back from the install manifest, which lists every path as a
//     line of its own beside itself: not starting with '#' or '@' (the
//     manifest's comment and shortcut lines), and no first component named
//     like the manifest, "install-manifest.txt" or "install-manifest.txt.new"
//     in any letter case, as a file or a folder;
//   - no two paths the same file on Windows: the file system ignores letter
//     case, so paths that differ only in case clash, and so does a file whose
//     path is also another file's folder ("a" and "A/b").
//
// Case folding covers ASCII letters only. Non-ASCII letters are compared byte
// for byte, so "É.txt" and "é.txt" do not count as a clash here although NTFS
// would put them in one file; the packer sees such folders rarely enough that
// the cost of a full Unicode case table is not worth it.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace payload_path {

enum class Fault {
    None,
    Empty,
    Absolute,
    Backslash,
    Colon,
    DotDot,
    EmptyComponent,
    InvalidUtf8,
    ControlCharacter,
    ForbiddenCharacter,
    TrailingDotOrSpace,
    DeviceName,
    ManifestLineMark,
    ManifestName,
};

// The first rule `path` breaks, or Fault::None.
Fault check(std::string_view path);

// A short English reason for the packer's messages ("contains '..'").
const char* describe(Fault fault);

bool isValidUtf8(std::string_view text);

// `path` with ASCII letters lowered: the key under which Windows finds the file.
std::string foldCase(std::string_view path);

enum class ClashKind {
    SameFile,        // the two paths differ only in letter case (or not at all)
    FileIsFolder,    // `first` names a file that `second` needs as a folder
};

struct Clash {
    ClashKind kind = ClashKind::SameFile;
    std::size_t first = 0;   // indexes into the paths given
    std::size_t second = 0;
};

// The first pair of paths that would land on the same file or folder on
// Windows, if any.
std::optional<Clash> findClash(std::span<const std::string_view> paths);

}  // namespace payload_path
