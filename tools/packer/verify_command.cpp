// packer verify FILE - unpacks every chunk of a payload (or of an installer's
// payload) with our decoder and checks what the installer relies on: the
// tables, every chunk decoding to exactly its size, the files tiling the image
// back to back from offset 0, and the application and the uninstaller first;
// then what its digest covers (the header, the file table and the image, or
// for an older record the image alone) against the digest: the installer's
// PAYLOAD_DIGEST resource, or for a bare payload the FILE.digest beside it,
// when there is one.
#include "app_folder.h"
#include "arguments.h"
#include "digest_file.h"
#include "packer.h"
#include "payload/lzms/lzms.h"
#include "payload_decode.h"
#include "payload_file.h"

#include <optional>
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

// Decodes chunk by chunk (the image need not fit in memory at once) and
// returns the CRC-32C of the image, continued from `crc`.
std::uint32_t requireChunksDecode(const Payload& payload, std::uint32_t crc) {
    lzms::Decoder decoder;
    std::vector<std::uint8_t> chunk(payload.chunks.empty() ? 0 : payload.header.chunkSize);
    for (std::size_t i = 0; i < payload.chunks.size(); ++i) {
        const std::span<std::uint8_t> out(chunk.data(), payload.chunks[i].size);
        decodeChunk(payload, i, decoder, out);
        crc = digest::crc32c(out, crc);
    }
    // The reader lets an image without chunks be any size (all zero); the
    // packer never writes one, and its digest would take as long as its size.
    if (payload.chunks.empty() && payload.header.totalSize != 0) {
        throw Error("the image has " + std::to_string(payload.header.totalSize) + " bytes but no chunks");
    }
    return crc;
}

// What a record's value covers, for messages.
std::string coveredBy(DigestCoverage coverage) {
    return coverage == DigestCoverage::Image ? "image" : "header, file table and image";
}

// Decodes every chunk and, when there is a record, holds what it covers to
// it; returns what the digest check found, for the OK line.
std::string requireMatchingDigest(const Payload& payload, const std::optional<std::vector<std::uint8_t>>& record) {
    if (!record) {
        requireChunksDecode(payload, 0);
        return "no digest to check";
    }
    const std::optional<ImageDigest> expected = decodeImageDigest(*record);
    if (!expected) throw Error("its digest is not a record this packer can read");
    const std::optional<std::uint32_t> beforeImage = digestBeforeImage(payload, expected->coverage);
    if (!beforeImage) throw Error("its file table does not lie inside the payload");
    const std::uint32_t actual = requireChunksDecode(payload, *beforeImage);
    if (expected->imageSize != payload.header.totalSize) {
        throw Error("its digest is for an image of " + std::to_string(expected->imageSize) + " bytes, not " +
                    std::to_string(payload.header.totalSize));
    }
    if (expected->crc32c != actual) {
        throw Error(coveredBy(expected->coverage) + " " + describeDigest(actual) + " does not match its digest, " +
                    describeDigest(expected->crc32c));
    }
    return coveredBy(expected->coverage) + " " + describeDigest(actual) + " matches its digest";
}

std::string verify(const Payload& payload, const std::optional<std::vector<std::uint8_t>>& digestRecord) {
    requireSoundChunkTable(payload);
    requireEntryAt(payload, 0, appExeName());
    requireEntryAt(payload, 1, uninstallerName());
    requireTiledEntries(payload);
    return requireMatchingDigest(payload, digestRecord);
}

}  // namespace

int verifyCommand(std::span<const std::string> args, Console& console) {
    Arguments arguments(args);
    const std::filesystem::path path = arguments.positionals(1).front();
    const PayloadFile file = readPayloadFile(path);
    const Payload payload = parsePayloadFile(file, path);
    const std::optional<std::vector<std::uint8_t>> digestRecord = findDigestRecord(file, path);
    std::string digestResult;
    try {
        digestResult = verify(payload, digestRecord);
    } catch (const Error& e) {
        throw Error("'" + path.string() + "': " + e.what());
    }
    console.out << "OK: " << payload.entries.size() << " files, " << payload.header.totalSize << " bytes in "
                << payload.chunks.size() << " chunks; " << digestResult << "\n";
    return kExitOk;
}

}  // namespace packer
