#include "winget_manifest.h"

#include "common/core/product.h"
#include "common/core/switches.h"
#include "packer.h"

#include <string_view>

namespace packer {
namespace {

constexpr std::size_t kMaxIdentifierLength = 128;
constexpr std::size_t kMaxIdentifierPartLength = 32;
constexpr std::size_t kMinIdentifierParts = 2;
constexpr std::size_t kMaxIdentifierParts = 8;
constexpr std::size_t kMaxUrlLength = 2048;
constexpr std::size_t kMinLicenseLength = 3;
constexpr std::size_t kMaxLicenseLength = 512;
constexpr std::size_t kSha256Digits = 64;
constexpr char kLocale[] = "en-US";
// The token the package manager replaces with the folder the user asked for.
constexpr char kInstallPathToken[] = "\"<INSTALLPATH>\"";

// The product's constants are wide; every one used here is ASCII.
std::string ascii(std::wstring_view wide) {
    return std::string(wide.begin(), wide.end());
}

// The uninstall entry's key name, which the package manager calls the product code.
std::string uninstallKeyName() {
    const std::wstring_view key = product::kUninstallKey;
    return ascii(key.substr(key.rfind(L'\\') + 1));
}

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Characters no identifier part may hold (white space, path and wildcard characters).
bool isForbiddenInIdentifier(char c) {
    return isControl(c) || c == ' ' || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
}

void checkIdentifier(const std::string& identifier) {
    const std::string refused = "the package identifier '" + identifier + "'";
    if (identifier.size() > kMaxIdentifierLength) throw Error(refused + " is longer than 128 characters");
    std::size_t parts = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = identifier.find('.', start);
        const std::string_view part =
            std::string_view(identifier).substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || part.size() > kMaxIdentifierPartLength) {
            throw Error(refused + " needs parts of 1 to 32 characters between its dots");
        }
        for (const char c : part) {
            if (isForbiddenInIdentifier(c)) throw Error(refused + " holds a space or one of \\ / : * ? \" < > |");
        }
        ++parts;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    if (parts < kMinIdentifierParts || parts > kMaxIdentifierParts) {
        throw Error(refused + " needs 2 to 8 parts, as in Publisher.Package");
    }
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char a = text[i] >= 'A' && text[i] <= 'Z' ? char(text[i] - 'A' + 'a') : text[i];
        if (a != prefix[i]) return false;
    }
    return true;
}

void checkUrl(const std::string& url) {
    const std::size_t scheme = startsWithNoCase(url, "https://") ? 8 : startsWithNoCase(url, "http://") ? 7 : 0;
    if (scheme == 0 || url.size() == scheme) {
        throw Error("the installer URL '" + url + "' must be an http:// or https:// address");
    }
    if (url.size() > kMaxUrlLength) throw Error("the installer URL is longer than 2048 characters");
    for (const char c : url) {
        if (isControl(c) || c == ' ') throw Error("the installer URL holds a space or a control character");
    }
}

void checkLicense(const std::string& license) {
    if (license.size() < kMinLicenseLength || license.size() > kMaxLicenseLength) {
        throw Error("the licence name must have 3 to 512 characters");
    }
    for (const char c : license) {
        if (isControl(c)) throw Error("the licence name holds a control character");
    }
}

// A value of the publisher's or the product's, in single quotes: YAML would
// read an unquoted "1.10" as a number and an unquoted "/S" differently in
// other positions. Inside single quotes only the quote itself is doubled.
std::string yamlQuoted(std::string_view text) {
    std::string out = "'";
    for (const char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

std::string schemaComment(std::string_view manifestType) {
    return "# yaml-language-server: $schema=https://aka.ms/winget-manifest." + std::string(manifestType) + "." +
           kWingetManifestVersion + ".schema.json\n";
}

std::string head(const WingetPackage& package, const std::string& version) {
    return "PackageIdentifier: " + yamlQuoted(package.identifier) + "\nPackageVersion: " + yamlQuoted(version) + "\n";
}

std::string tail(std::string_view manifestType) {
    return "ManifestType: " + std::string(manifestType) + "\nManifestVersion: " + kWingetManifestVersion + "\n";
}

std::string versionManifest(const WingetPackage& package, const std::string& version) {
    return schemaComment("version") + head(package, version) + "DefaultLocale: " + kLocale + "\n" + tail("version");
}

std::string installerManifest(const WingetPackage& package, const std::string& version) {
    const std::string silent = yamlQuoted(ascii(switches::kSilent));
    const std::string productCode = yamlQuoted(uninstallKeyName());
    return schemaComment("installer") + head(package, version) +
           "InstallerType: exe\n"
           "Scope: user\n"
           "InstallModes:\n"
           "  - interactive\n"
           "  - silent\n"
           "  - silentWithProgress\n"
           "InstallerSwitches:\n"
           "  Silent: " + silent + "\n"
           "  SilentWithProgress: " + silent + "\n"
           "  InstallLocation: " + yamlQuoted(ascii(switches::kDirPrefix) + kInstallPathToken) + "\n"
           "UpgradeBehavior: install\n"
           "ProductCode: " + productCode + "\n"
           "AppsAndFeaturesEntries:\n"
           "  - DisplayName: " + yamlQuoted(ascii(product::kName)) + "\n"
           "    Publisher: " + yamlQuoted(ascii(product::kPublisher)) + "\n"
           "    DisplayVersion: " + yamlQuoted(version) + "\n"
           "    ProductCode: " + productCode + "\n"
           "Installers:\n"
           "  - Architecture: x64\n"
           "    InstallerUrl: " + yamlQuoted(package.installerUrl) + "\n"
           "    InstallerSha256: " + yamlQuoted(package.installerSha256) + "\n" +
           tail("installer");
}

std::string defaultLocaleManifest(const WingetPackage& package, const std::string& version) {
    return schemaComment("defaultLocale") + head(package, version) + "PackageLocale: " + kLocale + "\n" +
           "Publisher: " + yamlQuoted(ascii(product::kPublisher)) + "\n" +
           "PackageName: " + yamlQuoted(ascii(product::kName)) + "\n" +
           "License: " + yamlQuoted(package.license) + "\n" +
           "ShortDescription: " + yamlQuoted(ascii(product::kShortcutDescription)) + "\n" + tail("defaultLocale");
}

// manifests/<lower-case first letter>/<each part of the identifier>/<version>
std::filesystem::path packageFolder(const std::string& identifier, const std::string& version) {
    char letter = identifier.front();
    if (letter >= 'A' && letter <= 'Z') letter = char(letter - 'A' + 'a');
    std::filesystem::path folder = std::filesystem::path("manifests") / std::string(1, letter);
    std::size_t start = 0;
    for (std::size_t dot = identifier.find('.'); ; dot = identifier.find('.', start)) {
        folder /= identifier.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return folder / version;
}

}  // namespace

void checkWingetPackage(const WingetPackage& package) {
    checkIdentifier(package.identifier);
    checkUrl(package.installerUrl);
    checkLicense(package.license);
    if (package.installerSha256.size() != kSha256Digits) throw Error("the installer hash needs 64 hexadecimal digits");
}

std::vector<ManifestFile> wingetManifests(const WingetPackage& package) {
    checkWingetPackage(package);
    const std::string version = ascii(product::kVersion);
    const std::filesystem::path folder = packageFolder(package.identifier, version);
    const std::string& id = package.identifier;
    return {
        {folder / (id + ".yaml"), versionManifest(package, version)},
        {folder / (id + ".installer.yaml"), installerManifest(package, version)},
        {folder / (id + ".locale." + kLocale + ".yaml"), defaultLocaleManifest(package, version)},
    };
}

}  // namespace packer
