#include "payload_decode.h"

#include "packer.h"
#include "payload/lzms/lzms.h"
#include "payload_file.h"

#include <cstring>
#include <new>
#include <string>

namespace packer {

void requireSoundChunkTable(const Payload& payload) {
    const PayloadStatus status = checkChunkTable(payload);
    if (status != PayloadStatus::Ok) throw Error("bad chunk table: " + toUtf8(payloadMessage(status)));
}

void decodeChunk(const Payload& payload, std::size_t index, lzms::Decoder& decoder, std::span<std::uint8_t> out) {
    const PayloadChunk& chunk = payload.chunks[index];
    const std::uint8_t* source = payload.data + payload.header.dataOffset + chunk.offset;
    if (chunk.stored != 0) {
        std::memcpy(out.data(), source, chunk.size);
        return;
    }
    std::size_t produced = 0;
    const lzms::Status status = decoder.decodeBuffer({source, chunk.compressedSize}, out, produced);
    const std::string name = "chunk " + std::to_string(index);
    if (status != lzms::Status::Ok) throw Error(name + " does not decode: " + lzms::statusText(status));
    if (produced != chunk.size) {
        throw Error(name + " decodes to " + std::to_string(produced) + " bytes instead of " +
                    std::to_string(chunk.size));
    }
}

std::vector<std::uint8_t> decodeImage(const Payload& payload) {
    std::vector<std::uint8_t> image;
    try {
        image.resize(payload.header.totalSize);
    } catch (const std::bad_alloc&) {
        throw Error("the image of " + std::to_string(payload.header.totalSize) + " bytes does not fit in memory");
    } catch (const std::length_error&) {
        throw Error("the image of " + std::to_string(payload.header.totalSize) + " bytes does not fit in memory");
    }
    lzms::Decoder decoder;
    for (std::size_t i = 0; i < payload.chunks.size(); ++i) {
        const std::uint64_t start = std::uint64_t(i) * payload.header.chunkSize;
        decodeChunk(payload, i, decoder, {image.data() + start, payload.chunks[i].size});
    }
    return image;
}

}  // namespace packer
