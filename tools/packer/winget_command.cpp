// packer winget INSTALLER --url URL --id ID --license NAME [-o DIR] - writes
// the package manager's manifest of a built installer below DIR.
#include "arguments.h"
#include "output_file.h"
#include "packer.h"
#include "payload_file.h"
#include "sha256.h"
#include "winget_manifest.h"

#include <ostream>
#include <system_error>

namespace fs = std::filesystem;

namespace packer {
namespace {

std::string required(Arguments& arguments, std::string_view option) {
    const auto value = arguments.takeValue(option);
    if (!value || value->empty()) throw UsageError("winget needs " + std::string(option));
    return *value;
}

void writeManifestFile(const fs::path& path, const std::string& text) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) throw Error("cannot create '" + path.parent_path().string() + "': " + ec.message());
    OutputFile file(path);
    file.write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    file.commit();
}

}  // namespace

int wingetCommand(std::span<const std::string> args, Console& console) {
    Arguments arguments(args);
    WingetPackage package;
    package.installerUrl = required(arguments, "--url");
    package.identifier = required(arguments, "--id");
    package.license = required(arguments, "--license");
    const fs::path folder = arguments.takeValue("-o").value_or(".");
    const fs::path installer = arguments.positionals(1).front();

    // Only a built installer: a bare payload or another program has no
    // business in a manifest that promises our switches.
    const PayloadFile file = readPayloadFile(installer);
    if (!file.fromInstaller) throw Error("'" + installer.string() + "' is a payload, not an installer");
    package.installerSha256 = sha256Hex(file.contents);

    for (const ManifestFile& manifest : wingetManifests(package)) {
        const fs::path path = folder / manifest.relativePath;
        writeManifestFile(path, manifest.text);
        console.out << path.string() << "\n";
    }
    return kExitOk;
}

}  // namespace packer
