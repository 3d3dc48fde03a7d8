// libFuzzer: any bytes as an install manifest. The uninstaller deletes what
// the reading rules classify as a file or a shortcut, so no such line may
// resolve outside what it may touch:
//   - a file line, joined to an install folder and resolved as Windows
//     resolves a path, names something strictly below that folder;
//   - a shortcut line is an absolute drive or UNC path (not a device path)
//     whose resolved file name is the product's shortcut name.
// The resolution below is written from what Windows does with a path
// (GetFullPathNameW), not from the rules: the text ends at a NUL, '/' is
// '\', empty and "." components go, ".." drops the component before it,
// and trailing dots and spaces of the last component are stripped.
#include "install/core/manifest.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kInstallFolder = "C:\\Users\\me\\AppData\\Local\\Programs\\Tessark Studio";
constexpr std::string_view kShortcutName = "tessark studio.lnk";  // compared in lower case

using Components = std::vector<std::string>;

std::string asWindowsText(std::string_view text) {
    std::string path(text.substr(0, text.find('\0')));
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

Components split(std::string_view path) {
    Components parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        parts.emplace_back(path.substr(start, end == std::string_view::npos ? path.npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// Applies `parts` below `base`; a ".." at `floor` components stays there,
// as Windows keeps a path at its root.
void resolveInto(Components& base, const Components& parts, std::size_t floor) {
    for (const std::string& part : parts) {
        if (part.empty() || part == ".") continue;
        if (part != "..") {
            base.push_back(part);
        } else if (base.size() > floor) {
            base.pop_back();
        }
    }
    if (base.size() > floor) {
        std::string& last = base.back();
        while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
        if (last.empty()) base.pop_back();
    }
}

[[noreturn]] void fail(const char* what, std::string_view line) {
    std::fprintf(stderr, "%s: '%.*s'\n", what, static_cast<int>(line.size()), line.data());
    std::abort();
}

void checkFileLine(std::string_view text) {
    Components folder = split(kInstallFolder);
    const std::size_t depth = folder.size();
    Components resolved = folder;
    resolveInto(resolved, split(asWindowsText(text)), 1);
    if (resolved.size() <= depth) fail("file line names the install folder or above", text);
    for (std::size_t i = 0; i < depth; ++i) {
        if (resolved[i] != folder[i]) fail("file line leaves the install folder", text);
    }
}

std::string lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The root of an absolute path: "X:" or "", "", server, share; 0 when the
// path is relative, rooted on the current drive, or in a device namespace.
std::size_t rootComponents(const Components& parts) {
    const std::string& first = parts[0];
    const char letter = first.empty() ? '\0' : first[0];
    const bool driveLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    if (first.size() == 2 && first[1] == ':' && driveLetter) {
        return parts.size() > 1 ? 1 : 0;
    }
    if (parts.size() < 5 || !first.empty() || !parts[1].empty()) return 0;
    const std::string& server = parts[2];
    if (server.empty() || server == "." || server == "?" || parts[3].empty()) return 0;
    return 4;
}

void checkShortcutLine(std::string_view text) {
    const Components parts = split(asWindowsText(text));
    const std::size_t root = rootComponents(parts);
    if (root == 0) fail("shortcut line is not an absolute drive or UNC path", text);
    Components resolved(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(root));
    const Components rest(parts.begin() + static_cast<std::ptrdiff_t>(root), parts.end());
    resolveInto(resolved, rest, root);
    if (resolved.size() <= root || lower(resolved.back()) != kShortcutName) {
        fail("shortcut line names another file", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const ManifestLine& line : readManifestLines(bytes)) {
        if (line.kind == ManifestLineKind::File) checkFileLine(line.text);
        if (line.kind == ManifestLineKind::Shortcut) checkShortcutLine(line.text);
    }
    startsWithManifestHeader(bytes);
    return 0;
}
