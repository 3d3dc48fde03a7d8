// packer verify FILE - unpacks every chunk of a payload (or of an installer's
// payload) with our decoder and checks what the installer relies on: the
// tables, every chunk decoding to exactly its size, the files tiling the image
// back to back from offset 0, and the application and the uninstaller first.
#include "app_folder.h"
#include "arguments.h"
#include "packer.h"
#include "payload/lzms/lzms.h"
#include "payload_decode.h"
#include "payload_file.h"

#include <ostream>

namespace packer {
namespace {

void requireTiledEntries(const Payload& payload) {
    std::uint64_t expected = 0;
    for (const PayloadEntry& entry : payload.entries) {
        if (entry.offset != expected) {
            throw Error("'" + entry.path + "' starts at image offset " + std::to_string(entry.offset) +
                        ", not right behind the file before it (" + std::to_string(expected) + ")");
        }
        expected += entry.size;
    }
    if (expected != payload.header.totalSize) {
        throw Error("the files hold " + std::to_string(expected) + " bytes but the image is " +
                    std::to_string(payload.header.totalSize));
    }
}

void requireEntryAt(const Payload& payload, std::size_t index, const std::string& name) {
    if (payload.entries.size() <= index || payload.entries[index].path != name) {
        throw Error("entry " + std::to_string(index) + " is not " + name);
    }
}

void requireChunksDecode(const Payload& payload) {
    lzms::Decoder decoder;
    std::vector<std::uint8_t> chunk(payload.chunks.empty() ? 0 : payload.header.chunkSize);
    for (std::size_t i = 0; i < payload.chunks.size(); ++i) {
        decodeChunk(payload, i, decoder, {chunk.data(), payload.chunks[i].size});
    }
}

void verify(const Payload& payload) {
    requireSoundChunkTable(payload);
    requireEntryAt(payload, 0, appExeName());
    requireEntryAt(payload, 1, uninstallerName());
    requireTiledEntries(payload);
    requireChunksDecode(payload);
}

}  // namespace

int verifyCommand(std::span<const std::string> args, Console& console) {
    Arguments arguments(args);
    const std::filesystem::path path = arguments.positionals(1).front();
    const PayloadFile file = readPayloadFile(path);
    const Payload payload = parsePayloadFile(file, path);
    try {
        verify(payload);
    } catch (const Error& e) {
        throw Error("'" + path.string() + "': " + e.what());
    }
    console.out << "OK: " << payload.entries.size() << " files, " << payload.header.totalSize << " bytes in "
                << payload.chunks.size() << " chunks\n";
    return kExitOk;
}

}  // namespace packer
