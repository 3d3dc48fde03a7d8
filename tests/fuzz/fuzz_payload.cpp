// libFuzzer: any bytes as the installer's payload resource. Parses the
// container, checks the chunk table and, for chunks of modest size, decodes
// each one as the unpacker would, into a buffer of exactly the chunk's size.
#include "payload/core/payload.h"
#include "payload/lzms/lzms.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {
constexpr std::uint32_t kMaxFuzzChunk = 1u << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Payload payload;
    if (parsePayload({data, size}, payload) != PayloadStatus::Ok) return 0;
    if (checkChunkTable(payload) != PayloadStatus::Ok) return 0;
    static lzms::Decoder decoder;
    std::vector<std::uint8_t> out;
    for (const PayloadChunk& chunk : payload.chunks) {
        if (chunk.size > kMaxFuzzChunk) continue;
        const std::uint8_t* source = payload.data + payload.header.dataOffset + chunk.offset;
        out.assign(chunk.size, 0);
        if (chunk.stored) {
            std::memcpy(out.data(), source, chunk.size);
            continue;
        }
        std::size_t produced = 0;
        decoder.decodeBuffer({source, chunk.compressedSize}, out, produced);
    }
    return 0;
}
