// Reading rules of the install manifest. The uninstaller deletes what this
// classifies as a file or a shortcut, so every rule errs on the side of
// skipping a line.
//
// The rules speak of characters after the UTF-8 → UTF-16 conversion; we
// decide them on the UTF-8 bytes instead, which gives the same answer: every
// character tested ('#', '@', '.', ':', '/', '\', and the letters of ".lnk")
// is ASCII, a UTF-8 multi-byte sequence never contains an ASCII byte, and
// MultiByteToWideChar turns each malformed byte into U+FFFD without
// swallowing the ASCII byte after it. So an ASCII character stands at the
// start, at the end or next to another ASCII character in the bytes exactly
// when it does in the wide text, and a non-empty byte run converts to at
// least one character ("longer than 4 characters" holds for the bytes
// exactly when it holds for the wide text, given the last four are ASCII).
#include "install/core/manifest.h"

const std::string_view kManifestHeader =
    "# Tessark Studio install manifest. Every path here was written by the installer\n"
    "# and is what the uninstaller removes - nothing else is touched. Paths are\n"
    "# relative to this folder; a line starting with @ is an absolute path to a\n"
    "# shortcut the installer created.\n";

namespace {

constexpr char kLineFeed = '\n';
constexpr char kCommentMark = '#';
constexpr char kShortcutMark = '@';
constexpr std::string_view kShortcutExtension = ".lnk";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    if (suffix.size() > text.size()) return false;
    const std::string_view tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        if (asciiLower(tail[i]) != asciiLower(suffix[i])) return false;
    }
    return true;
}

// A shortcut path needs something before ".lnk": "@.lnk" names no file.
bool isShortcutPath(std::string_view path) {
    return path.size() > kShortcutExtension.size() && endsWithNoCase(path, kShortcutExtension);
}

// A file line must stay below the install folder once '/' becomes '\' and it
// is joined: no ".." (climbing out), no ':' (drive letters, alternate data
// streams), no leading separator (the root of the current drive).
bool isSafeRelativePath(std::string_view path) {
    if (path.find("..") != std::string_view::npos) return false;
    if (path.find(':') != std::string_view::npos) return false;
    return path.front() != '/' && path.front() != '\\';
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
