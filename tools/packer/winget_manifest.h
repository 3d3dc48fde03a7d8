// The three files of a multi-file manifest for the Windows package manager's
// community repository: version, installer and default locale. What the
// installer itself decides - its type, scope and architecture, its switches,
// its uninstall entry - comes from the product's constants, so a manifest
// cannot promise what the installer does not do.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace packer {

// What only the publisher knows.
struct WingetPackage {
    std::string identifier;       // "Publisher.Package", 2 to 8 dot-separated parts
    std::string installerUrl;     // where users download the installer
    std::string installerSha256;  // 64 hexadecimal digits
    std::string license;          // the licence's name, e.g. "Proprietary" or "MIT"
};

struct ManifestFile {
    std::filesystem::path relativePath;  // below the output folder
    std::string text;
};

// The schema version the community repository accepts for submissions. Newer
// schemas exist; a manifest that declares one is refused there.
inline constexpr char kWingetManifestVersion[] = "1.12.0";

// Throws Error naming the field when a value breaks the format's rules.
void checkWingetPackage(const WingetPackage& package);

// The three files, in the folder layout of the community repository:
// manifests/<first letter>/<part>/.../<version>/<identifier>[.installer|.locale.en-US].yaml
std::vector<ManifestFile> wingetManifests(const WingetPackage& package);

}  // namespace packer
