// The chunk table's consistency, checked before anything is unpacked. Chunk i
// lands at image offset i * chunkSize; the unpacker reads each chunk's stored
// bytes at dataOffset + offset and writes `size` bytes to its place, so both
// ranges are proven to lie inside the payload and the image here, once.
#include "payload/core/payload.h"

namespace {

// The bytes the unpacker reads for a chunk: all of them for a stored chunk,
// the compressed buffer otherwise.
std::uint64_t storedLength(const PayloadChunk& chunk) {
    return chunk.stored != 0 ? chunk.size : chunk.compressedSize;
}

bool sourceLiesInside(const PayloadChunk& chunk, std::uint64_t dataBytes) {
    // Does the chunk start inside the data area?
    if (chunk.offset > dataBytes) return false;
    // Does it end inside it?
    if (storedLength(chunk) > dataBytes - chunk.offset) return false;
    return true;
}

bool sizeFitsPosition(const PayloadChunk& chunk, std::size_t index, std::size_t count, std::uint32_t chunkSize) {
    const bool isLast = index + 1 == count;
    if (!isLast) return chunk.size == chunkSize;
    return chunk.size != 0 && chunk.size <= chunkSize;
}

}  // namespace

PayloadStatus checkChunkTable(const Payload& payload) {
    const PayloadHeader& header = payload.header;
    const std::size_t count = payload.chunks.size();
    if (count == 0) return PayloadStatus::Ok;
    if (header.chunkSize == 0) return PayloadStatus::Damaged;
    // Is the chunk (and so the decoder's block) larger than we ever write?
    if (header.chunkSize > kMaxChunkSize) return PayloadStatus::Damaged;
    // Does the data area start inside the payload?
    if (header.dataOffset > payload.size) return PayloadStatus::Damaged;
    const std::uint64_t dataBytes = payload.size - header.dataOffset;

    std::uint64_t unpacked = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const PayloadChunk& chunk = payload.chunks[i];
        if (!sizeFitsPosition(chunk, i, count, header.chunkSize)) return PayloadStatus::Damaged;
        if (!sourceLiesInside(chunk, dataBytes)) return PayloadStatus::Damaged;
        // i < 2^32 and chunkSize <= 64 MiB: the product fits in 64 bits.
        const std::uint64_t destination = std::uint64_t(i) * header.chunkSize;
        // Does the chunk start inside the image?
        if (destination > header.totalSize) return PayloadStatus::Damaged;
        // Does it end inside it?
        if (chunk.size > header.totalSize - destination) return PayloadStatus::Damaged;
        unpacked += chunk.size;
    }
    // Do the chunks fill the image exactly? (Each ends inside it, so the sum
    // cannot exceed totalSize; a shortfall would leave part of it unwritten.)
    if (unpacked != header.totalSize) return PayloadStatus::Damaged;
    return PayloadStatus::Ok;
}
