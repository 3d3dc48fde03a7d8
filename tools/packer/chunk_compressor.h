// Compresses one chunk of the unpacked image into a Windows Compression API
// LZMS buffer: libwim's raw LZMS encoder does the work, and the API framing
// (24-byte header, one block with its u32 size) goes around it, so that the
// installer can hand the chunk straight to the API's Decompress.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

struct wimlib_compressor;

namespace packer {

class ChunkCompressor {
public:
    // Throws Error when libwim cannot make a compressor for chunks this large.
    ChunkCompressor(std::uint32_t chunkSize, unsigned level);

    // The API buffer for `chunk` (one block as long as the chunk), or nothing
    // when that buffer would not be smaller than the chunk: such a chunk is
    // stored as it is.
    std::optional<std::vector<std::uint8_t>> compress(std::span<const std::uint8_t> chunk);

private:
    struct Free {
        void operator()(wimlib_compressor* compressor) const;
    };
    std::unique_ptr<wimlib_compressor, Free> compressor_;
    std::vector<std::uint8_t> raw_;
};

}  // namespace packer
