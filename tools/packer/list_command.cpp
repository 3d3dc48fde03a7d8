// packer list FILE - every entry of a payload (or of an installer's payload)
// with its size, then the totals.
#include "arguments.h"
#include "packer.h"
#include "payload_file.h"

#include <iomanip>
#include <ostream>

namespace packer {
namespace {

std::uint32_t storedChunkCount(const Payload& payload) {
    std::uint32_t stored = 0;
    for (const PayloadChunk& chunk : payload.chunks) stored += chunk.stored != 0 ? 1 : 0;
    return stored;
}

std::uint64_t entryBytes(const Payload& payload) {
    std::uint64_t total = 0;
    for (const PayloadEntry& entry : payload.entries) total += entry.size;
    return total;
}

}  // namespace

int listCommand(std::span<const std::string> args, Console& console) {
    Arguments arguments(args);
    const std::filesystem::path path = arguments.positionals(1).front();
    const PayloadFile file = readPayloadFile(path);
    const Payload payload = parsePayloadFile(file, path);

    for (const PayloadEntry& entry : payload.entries) {
        console.out << std::setw(12) << entry.size << "  " << entry.path << "\n";
    }
    console.out << payload.entries.size() << " files, " << entryBytes(payload) << " bytes; image "
                << payload.header.totalSize << " bytes in " << payload.chunks.size() << " chunks of "
                << payload.header.chunkSize << " bytes (" << storedChunkCount(payload) << " stored); payload "
                << payload.size << " bytes" << (file.fromInstaller ? " inside the installer" : "") << "\n";
    return kExitOk;
}

}  // namespace packer
