// Compression API framing around raw LZMS blocks (see buffer_writer.h).
#include "payload/lzms/buffer_writer.h"

#include "payload/lzms/buffer_format.h"

#include <algorithm>
#include <string>

namespace lzms {
namespace {

std::uint64_t blockCount(std::uint64_t totalSize, std::uint32_t blockSize) {
    return totalSize / blockSize + (totalSize % blockSize != 0 ? 1 : 0);
}

void fail(std::size_t block, const std::string& why) {
    throw BufferWriteError("LZMS buffer block " + std::to_string(block) + ": " + why);
}

void checkBlock(std::size_t index, const BlockPayload& block, std::uint64_t uncompressed) {
    const std::size_t size = block.bytes.size();
    if (block.stored) {
        if (size != uncompressed) fail(index, "a stored block must be exactly as long as its data");
        return;
    }
    if (size == uncompressed) fail(index, "an LZMS payload as long as its data would read as stored");
    if (size < framing::kMinLzmsPayload) fail(index, "an LZMS payload needs at least 4 bytes");
    if (size % 2 != 0) fail(index, "an LZMS payload is a whole number of 16-bit words");
    if (size > 0xFFFFFFFFu) fail(index, "the payload does not fit the 32-bit size field");
}

std::vector<std::uint8_t> headerBytes(std::uint64_t totalSize, std::uint32_t recordedBlockSize) {
    std::vector<std::uint8_t> out(framing::kHeaderSize, 0);
    std::copy(framing::kMagic.begin(), framing::kMagic.end(), out.begin());
    out[4] = std::uint8_t(framing::kHeaderSize);
    out[5] = 0;
    out[framing::kAlgorithmOffset] = framing::kAlgorithmLzms;
    framing::writeU64(&out[framing::kTotalSizeOffset], totalSize);
    framing::writeU32(&out[framing::kBlockSizeOffset], recordedBlockSize);
    framing::writeU32(&out[framing::kFlagsOffset], 0);
    out[framing::kCheckByteOffset] =
        framing::headerCheck(std::span<const std::uint8_t, framing::kHeaderSize>(out.data(), framing::kHeaderSize));
    return out;
}

}  // namespace

std::vector<std::uint8_t> writeBuffer(std::uint64_t totalSize, std::uint32_t blockSize,
                                      std::span<const BlockPayload> blocks) {
    if (totalSize == 0) {
        if (!blocks.empty()) throw BufferWriteError("LZMS buffer: an empty buffer has no blocks");
        return headerBytes(0, 0);
    }
    if (blockSize == 0 || blockSize > framing::kMaxBlockSize)
        throw BufferWriteError("LZMS buffer: the block size must be 1 byte to 64 MiB");
    const auto recordedBlockSize = std::uint32_t(std::min<std::uint64_t>(totalSize, blockSize));
    if (blockCount(totalSize, recordedBlockSize) != blocks.size())
        throw BufferWriteError("LZMS buffer: " + std::to_string(blocks.size()) + " blocks given, " +
                               std::to_string(blockCount(totalSize, recordedBlockSize)) + " needed");

    std::size_t outSize = framing::kHeaderSize;
    std::uint64_t remaining = totalSize;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const std::uint64_t uncompressed = std::min<std::uint64_t>(remaining, recordedBlockSize);
        checkBlock(i, blocks[i], uncompressed);
        remaining -= uncompressed;
        outSize += framing::kBlockSizeFieldSize + blocks[i].bytes.size();
    }

    std::vector<std::uint8_t> out = headerBytes(totalSize, recordedBlockSize);
    out.reserve(outSize);
    for (const BlockPayload& block : blocks) {
        std::uint8_t sizeField[framing::kBlockSizeFieldSize];
        framing::writeU32(sizeField, std::uint32_t(block.bytes.size()));
        out.insert(out.end(), sizeField, sizeField + framing::kBlockSizeFieldSize);
        out.insert(out.end(), block.bytes.begin(), block.bytes.end());
    }
    return out;
}

std::vector<std::uint8_t> writeSingleBlockBuffer(std::uint32_t size, const BlockPayload& block) {
    return writeBuffer(size, size, std::span<const BlockPayload>(&block, 1));
}

}  // namespace lzms
