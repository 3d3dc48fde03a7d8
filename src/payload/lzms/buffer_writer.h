// Writes Windows Compression API LZMS buffers around raw LZMS blocks that an
// encoder produced elsewhere (the packer uses libwim's raw compressor). The
// writer adds only the framing: the 24-byte header with its check byte and a
// u32le size before each block's payload. See buffer_format.h for the layout.
//
// Usage for one chunk compressed as a single block (the packer's case):
//
//   // raw = libwim's LZMS output for `chunk`, produced with an output limit of
//   // chunk.size() - 1 bytes; when it returns 0 (did not shrink), store instead.
//   buffer = lzms::writeSingleBlockBuffer(chunk.size(), {raw, false});
//   buffer = lzms::writeSingleBlockBuffer(chunk.size(), {chunk, true});
//
// Several blocks: writeBuffer(total, blockSize, blocks), one BlockPayload per
// block in order.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace lzms {

// One block of a buffer, in order. When `stored` is true, `bytes` is the
// block's uncompressed data and must be exactly as long as the block.
// Otherwise `bytes` is one raw LZMS stream for the block: a whole number of
// 16-bit words, at least 4 bytes, and never exactly as long as the block
// (a payload of the block's own length reads as stored), so give the encoder
// an output limit of the block size minus one.
struct BlockPayload {
    std::span<const std::uint8_t> bytes;
    bool stored = false;
};

// Thrown when the blocks do not fit the sizes; the text says which block and why.
class BufferWriteError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Returns header + blocks for `totalSize` uncompressed bytes cut into blocks of
// `blockSize` bytes (the last one shorter). The header records
// min(totalSize, blockSize) as the block size, as the API's own encoder does;
// with totalSize 0 there are no blocks and the buffer is the header alone.
// blockSize must be 1 ... 64 MiB; `blocks` must hold exactly one payload per block.
std::vector<std::uint8_t> writeBuffer(std::uint64_t totalSize, std::uint32_t blockSize,
                                      std::span<const BlockPayload> blocks);

// The whole buffer as one block of `size` bytes (1 ... 64 MiB): the same as
// writeBuffer(size, size, {block}).
std::vector<std::uint8_t> writeSingleBlockBuffer(std::uint32_t size, const BlockPayload& block);

}  // namespace lzms
