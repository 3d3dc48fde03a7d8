// The install manifest, "install-manifest.txt": UTF-8 lines ended by a line
// feed. Four comment lines, then one relative '/' path per file the installer
// wrote, then one '@' + absolute path per shortcut it created. The uninstaller
// removes exactly what the manifest lists, so reading is strict about what it
// acts on: anything that could reach outside the install folder is skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class ManifestLineKind {
    Skipped,   // blank, comment, or a line the rules refuse; only counts for progress
    Shortcut,  // '@' line: an absolute drive or UNC path whose file name is the
               // product's shortcut, "Tessark Studio.lnk" in any letter case
    File,      // a path relative to the install folder, safe to join
};

struct ManifestLine {
    ManifestLineKind kind = ManifestLineKind::Skipped;
    // Shortcut: the UTF-8 bytes after '@'. File: the UTF-8 path with '/' kept
    // (the caller converts and turns '/' into '\'). Trailing CR and spaces are
    // already stripped. Empty for skipped lines.
    std::string_view text;
};

// Every line of the manifest, in file order, skipped ones included: the number
// of line feeds plus one, so a manifest ending in a line feed has a last,
// empty, skipped line. One UTF-8 byte-order mark at the start (what some
// editors put there) is not part of the first line.
std::vector<ManifestLine> readManifestLines(std::string_view bytes);

// True when the first line, its end stripped as the reading rules strip it,
// is the first line of kManifestHeader. Anything else (an empty or
// zero-filled file, a file the installer never wrote) is no manifest: acting
// on it would report success over a record that was lost.
bool startsWithManifestHeader(std::string_view bytes);

// The four comment lines every manifest starts with, each ended by '\n'.
extern const std::string_view kManifestHeader;
