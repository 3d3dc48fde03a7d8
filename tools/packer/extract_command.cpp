// packer extract FILE -o DIR - writes every file of a payload (or of an
// installer's payload) under DIR, as the installer would lay them out.
//
// Nothing is written outside DIR: the reader already refuses paths that
// climb out ("..", absolute, drive letters), each target is checked once
// more to lie under DIR, and DIR must be new or empty, so that no link
// planted inside it can redirect a write. Every chunk is decoded before the
// first file is written: a damaged payload leaves DIR untouched.
#include "arguments.h"
#include "packer.h"
#include "payload_decode.h"
#include "payload_file.h"

#include <fstream>
#include <ostream>
#include <system_error>

namespace fs = std::filesystem;

namespace packer {
namespace {

void prepareEmptyFolder(const fs::path& folder) {
    std::error_code ec;
    if (fs::exists(folder, ec)) {
        if (!fs::is_directory(folder, ec)) throw Error("'" + folder.string() + "' is not a folder");
        if (!fs::is_empty(folder, ec)) throw Error("'" + folder.string() + "' is not empty; extract into a new folder");
        return;
    }
    if (!fs::create_directories(folder, ec)) throw Error("cannot create '" + folder.string() + "': " + ec.message());
}

// DIR joined with the entry's '/' path, refused when it would not lie under DIR.
fs::path targetOf(const fs::path& folder, const std::string& entryPath) {
    const fs::path root = folder.lexically_normal();
    const fs::path target = (root / fs::path(entryPath)).lexically_normal();
    const fs::path relative = target.lexically_relative(root);
    if (relative.empty() || *relative.begin() == "..") throw Error("'" + entryPath + "' would land outside the folder");
    return target;
}

void writeEntry(const fs::path& target, std::span<const std::uint8_t> bytes) {
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    std::ofstream stream(target, std::ios::binary | std::ios::trunc);
    stream.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    stream.close();
    if (!stream) throw Error("cannot write '" + target.string() + "'");
}

}  // namespace

int extractCommand(std::span<const std::string> args, Console& console) {
    Arguments arguments(args);
    const auto output = arguments.takeValue("-o");
    const fs::path path = arguments.positionals(1).front();
    if (!output) throw UsageError("extract needs -o DIR");
    const fs::path folder = *output;

    const PayloadFile file = readPayloadFile(path);
    const Payload payload = parsePayloadFile(file, path);
    std::vector<std::uint8_t> image;
    try {
        requireSoundChunkTable(payload);
        image = decodeImage(payload);
    } catch (const Error& e) {
        throw Error("'" + path.string() + "': " + e.what());
    }

    std::vector<fs::path> targets;
    for (const PayloadEntry& entry : payload.entries) targets.push_back(targetOf(folder, entry.path));
    prepareEmptyFolder(folder);
    for (std::size_t i = 0; i < payload.entries.size(); ++i) {
        const PayloadEntry& entry = payload.entries[i];
        // parsePayload proved offset + size <= totalSize, the image's length.
        writeEntry(targets[i], {image.data() + entry.offset, std::size_t(entry.size)});
    }
    console.out << "extracted " << payload.entries.size() << " files, " << payload.header.totalSize << " bytes, into "
                << folder.string() << "\n";
    return kExitOk;
}

}  // namespace packer
