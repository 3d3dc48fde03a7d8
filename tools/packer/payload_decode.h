// Unpacking a payload on the build machine with our own LZMS decoder, the
// one the installer falls back to: what verify and extract see is what an
// installer without the Compression API would see.
#pragma once

#include "payload/core/payload.h"

#include <cstdint>
#include <span>
#include <vector>

namespace lzms {
class Decoder;
}

namespace packer {

// Unpacks chunk `index` into `out` (exactly the chunk's size). Throws Error
// naming the chunk and what is wrong with it. The chunk table must have
// passed checkChunkTable.
void decodeChunk(const Payload& payload, std::size_t index, lzms::Decoder& decoder, std::span<std::uint8_t> out);

// The whole image; throws Error when a chunk fails or the image does not fit
// in memory.
std::vector<std::uint8_t> decodeImage(const Payload& payload);

// checkChunkTable, throwing Error with the reader's message.
void requireSoundChunkTable(const Payload& payload);

}  // namespace packer
