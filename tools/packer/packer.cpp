// Command dispatch and the usage text. To add a command, write its function
// in a file of its own, declare it in packer.h and add a row to kCommands.
#include "packer.h"

#include <array>
#include <exception>
#include <new>
#include <ostream>
#include <string_view>

namespace packer {
namespace {

using CommandFunction = int (*)(std::span<const std::string>, Console&);

struct Command {
    std::string_view name;
    CommandFunction run;
};

constexpr std::array<Command, 6> kCommands = {{
    {"pack", packCommand},
    {"list", listCommand},
    {"verify", verifyCommand},
    {"extract", extractCommand},
    {"winget", wingetCommand},
    // Test-only, and so not in the usage text.
    {"damage-for-test", damageForTestCommand},
}};

constexpr std::string_view kUsage =
    "usage:\n"
    "  packer pack DIR -o FILE [--chunk-size BYTES] [--level N] [--store]\n"
    "                          [--app-exe FILE] [--replace-uninstaller FILE]\n"
    "      Packs the application folder DIR into a payload container, and the\n"
    "      digest of its header, file table and unpacked image into FILE.digest.\n"
    "      --chunk-size   unpacked bytes per chunk, 65536 to 67108864 (default 67108864)\n"
    "      --level        LZMS effort, 1 and up (default 50; 100 packs harder)\n"
    "      --store        store every chunk uncompressed\n"
    "      --app-exe      use FILE as TessarkStudio.exe\n"
    "      --replace-uninstaller  use FILE as uninstall.exe\n"
    "  packer list FILE\n"
    "      Lists the files of a payload container or of an installer that carries one.\n"
    "  packer verify FILE\n"
    "      Unpacks every chunk with our decoder and checks sizes and layout, then\n"
    "      what its digest covers against it (an installer's PAYLOAD_DIGEST\n"
    "      resource, or FILE.digest beside a payload file, when there is one);\n"
    "      prints OK.\n"
    "  packer extract FILE -o DIR\n"
    "      Writes every file of the payload under DIR (a new or empty folder).\n"
    "  packer winget INSTALLER --url URL --id PUBLISHER.PACKAGE --license NAME [-o DIR]\n"
    "      Writes the package manager's manifest of a built installer (version,\n"
    "      installer and default-locale files) below DIR in the folder layout of\n"
    "      its community repository; URL is where users download the installer.\n";

const Command* findCommand(std::string_view name) {
    for (const Command& command : kCommands) {
        if (command.name == name) return &command;
    }
    return nullptr;
}

}  // namespace

int run(std::span<const std::string> args, Console& console) {
    try {
        if (args.empty()) throw UsageError("no command given");
        if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
            console.out << kUsage;
            return kExitOk;
        }
        const Command* command = findCommand(args[0]);
        if (command == nullptr) throw UsageError("unknown command '" + args[0] + "'");
        return command->run(args.subspan(1), console);
    } catch (const UsageError& e) {
        console.err << "packer: " << e.what() << "\n" << kUsage;
        return kExitUsage;
    } catch (const Error& e) {
        console.err << "packer: " << e.what() << "\n";
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        console.err << "packer: out of memory\n";
        return kExitFailure;
    } catch (const std::exception& e) {
        console.err << "packer: " << e.what() << "\n";
        return kExitFailure;
    }
}

}  // namespace packer
