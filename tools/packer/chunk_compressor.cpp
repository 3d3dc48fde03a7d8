#include "chunk_compressor.h"

#include "packer.h"
#include "payload/lzms/buffer_format.h"
#include "payload/lzms/buffer_writer.h"

#include <wimlib.h>

#include <string>

namespace packer {
namespace {

// The API buffer around one block: header plus the block's u32 size.
constexpr std::size_t kFramingBytes = lzms::framing::kHeaderSize + lzms::framing::kBlockSizeFieldSize;

}  // namespace

void ChunkCompressor::Free::operator()(wimlib_compressor* compressor) const {
    wimlib_free_compressor(compressor);
}

ChunkCompressor::ChunkCompressor(std::uint32_t chunkSize, unsigned level) {
    wimlib_compressor* created = nullptr;
    const int status = wimlib_create_compressor(WIMLIB_COMPRESSION_TYPE_LZMS, chunkSize, level, &created);
    if (status != 0) {
        throw Error("cannot create the LZMS compressor for " + std::to_string(chunkSize) +
                    "-byte chunks: " + wimlib_get_error_string(static_cast<wimlib_error_code>(status)));
    }
    compressor_.reset(created);
    raw_.resize(chunkSize);
}

std::optional<std::vector<std::uint8_t>> ChunkCompressor::compress(std::span<const std::uint8_t> chunk) {
    // Worth it only when header + size field + stream come out shorter than
    // the chunk. That limit also keeps the stream below the chunk's length,
    // which the API's framing would read as a stored block.
    if (chunk.size() <= kFramingBytes + lzms::framing::kMinLzmsPayload) return std::nullopt;
    const std::size_t limit = chunk.size() - kFramingBytes - 1;
    // libwim returns 0 when the stream does not fit the limit.
    const std::size_t rawSize = wimlib_compress(chunk.data(), chunk.size(), raw_.data(), limit, compressor_.get());
    if (rawSize == 0) return std::nullopt;

    const lzms::BlockPayload block{std::span<const std::uint8_t>(raw_.data(), rawSize), false};
    return lzms::writeSingleBlockBuffer(static_cast<std::uint32_t>(chunk.size()), block);
}

}  // namespace packer
