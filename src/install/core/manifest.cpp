// Reading rules of the install manifest. The uninstaller deletes what this
// classifies as a file or a shortcut, so every rule errs on the side of
// skipping a line.
//
// The rules speak of characters after the UTF-8 → UTF-16 conversion; we
// decide them on the UTF-8 bytes instead, which gives the same answer: every
// character tested ('#', '@', '.', ' ', ':', '/', '\', '?', the drive
// letters and the letters of the shortcut's name) is ASCII, a UTF-8
// multi-byte sequence never contains an ASCII byte, and MultiByteToWideChar
// turns each malformed byte into U+FFFD without swallowing the ASCII byte
// after it. So an ASCII character stands at the start, at the end or next to
// another ASCII character in the bytes exactly when it does in the wide text,
// a component split at ASCII separators is the same component in both, and a
// non-empty byte run converts to at least one character.
#include "install/core/manifest.h"

#include "common/core/product.h"

const std::string_view kManifestHeader =
    "# Tessark Studio install manifest. Every path here was written by the installer\n"
    "# and is what the uninstaller removes - nothing else is touched. Paths are\n"
    "# relative to this folder; a line starting with @ is an absolute path to a\n"
    "# shortcut the installer created.\n";

namespace {

constexpr char kLineFeed = '\n';
constexpr char kCommentMark = '#';
constexpr char kShortcutMark = '@';
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The only shortcut the installer makes, by its file name.
constexpr std::wstring_view kShortcutName = product::kShortcutFile;

std::string_view withoutByteOrderMark(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    return bytes;
}

std::string_view firstLine(std::string_view bytes) { return bytes.substr(0, bytes.find(kLineFeed)); }

std::string_view stripLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    return line;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The bytes equal the ASCII name, letter case ignored.
bool equalsNameNoCase(std::string_view bytes, std::wstring_view name) {
    if (bytes.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] > 0x7F || asciiLower(bytes[i]) != asciiLower(static_cast<char>(name[i]))) return false;
    }
    return true;
}

std::string_view lastComponent(std::string_view path) {
    std::size_t start = path.size();
    while (start > 0 && !isSeparator(path[start - 1])) --start;
    return path.substr(start);
}

// The component that starts at `start`, up to the next separator.
std::string_view componentAt(std::string_view path, std::size_t start) {
    std::size_t end = start;
    while (end < path.size() && !isSeparator(path[end])) ++end;
    return path.substr(start, end - start);
}

// The length of what makes the path absolute whatever the current drive
// and folder: "X:\" with a drive letter, or "\\server\share\" (Windows takes
// '/' for '\' in both). 0 for anything else: "\\?\" and "\\.\" are the
// device namespaces (devices, and no path rules at all), and "\x", "X:x"
// and "x" lean on the current drive or folder. The shell gives the desktop
// and the Start menu as one of the two absolute forms.
std::size_t absoluteRootLength(std::string_view path) {
    if (path.size() >= 3 && isDriveLetter(path[0]) && path[1] == ':' && isSeparator(path[2])) return 3;
    if (path.size() < 2 || !isSeparator(path[0]) || !isSeparator(path[1])) return 0;
    const std::string_view server = componentAt(path, 2);
    if (server.empty() || server == "." || server == "?") return 0;
    const std::size_t shareStart = 2 + server.size() + 1;
    // Is there a share after the server's separator?
    if (shareStart >= path.size()) return 0;
    const std::string_view share = componentAt(path, shareStart);
    const std::size_t rootEnd = shareStart + share.size() + 1;
    // Is the share ended by a separator?
    if (share.empty() || rootEnd > path.size()) return 0;
    return rootEnd;
}

// A shortcut line names the product's own shortcut and nothing else: the
// installer writes no other. The whole file name must match, so an 8.3
// alias ("TESSAR~1.LNK") or another shortcut of the same folder is never
// taken; the name holds a space and is too long to be anyone's 8.3 alias.
bool isShortcutPath(std::string_view path) {
    const std::size_t root = absoluteRootLength(path);
    if (root == 0) return false;
    const std::string_view name = lastComponent(path);
    return path.size() - name.size() >= root && equalsNameNoCase(name, kShortcutName);
}

// A file line must stay below the install folder once '/' becomes '\' and it
// is joined: no ".." (climbing out), no ':' (drive letters, alternate data
// streams), no leading separator (the root of the current drive), and some
// character besides dots, spaces and separators (Windows drops "."
// components and strips trailing dots and spaces, so ". ." or "./" names the
// install folder itself).
bool isSafeRelativePath(std::string_view path) {
    if (path.find("..") != std::string_view::npos) return false;
    if (path.find(':') != std::string_view::npos) return false;
    if (isSeparator(path.front())) return false;
    return path.find_first_not_of("./\\ ") != std::string_view::npos;
}

// A NUL byte would cut the path short where it reaches Windows, so
// "@C:\x.exe<NUL>.lnk" would pass as a shortcut and delete C:\x.exe. No path
// the installer writes holds one.
bool holdsNul(std::string_view line) { return line.find('\0') != std::string_view::npos; }

ManifestLine classify(std::string_view rawLine) {
    const std::string_view line = stripLineEnd(rawLine);
    if (line.empty() || line.front() == kCommentMark || holdsNul(line)) return {};
    if (line.front() == kShortcutMark) {
        const std::string_view path = line.substr(1);
        if (!isShortcutPath(path)) return {};
        return {ManifestLineKind::Shortcut, path};
    }
    if (!isSafeRelativePath(line)) return {};
    return {ManifestLineKind::File, line};
}

}  // namespace

std::vector<ManifestLine> readManifestLines(std::string_view manifest) {
    const std::string_view bytes = withoutByteOrderMark(manifest);
    std::vector<ManifestLine> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = bytes.find(kLineFeed, start);
        if (end == std::string_view::npos) {
            lines.push_back(classify(bytes.substr(start)));
            return lines;
        }
        lines.push_back(classify(bytes.substr(start, end - start)));
        start = end + 1;
    }
}

bool startsWithManifestHeader(std::string_view bytes) {
    return stripLineEnd(firstLine(withoutByteOrderMark(bytes))) == firstLine(kManifestHeader);
}
