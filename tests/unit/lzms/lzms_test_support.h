// Test data for the LZMS decoder: libwim as the reference encoder (it writes
// raw LZMS blocks; we frame them with our buffer writer) and generators for
// the shapes of data an installer payload holds.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lzms_test {

using Bytes = std::vector<std::uint8_t>;

// Compresses `data` in blocks of `blockSize` with libwim at `level` and frames
// the result as a Compression API buffer. A block libwim cannot shrink below
// its own size is stored, as the API's encoder does. `lzmsBlocks`, if given,
// receives how many blocks went in as LZMS.
Bytes compressToBuffer(std::span<const std::uint8_t> data, std::uint32_t blockSize, unsigned level,
                       std::size_t* lzmsBlocks = nullptr);

// One raw LZMS block from libwim with unlimited room (it may then be longer
// than the data); empty if libwim refuses.
Bytes compressRawBlock(std::span<const std::uint8_t> data, unsigned level);

// libwim's own decoding of one raw block, or empty on failure.
Bytes libwimDecodeRawBlock(std::span<const std::uint8_t> raw, std::size_t size);

// Generators; the same seed gives the same bytes.
Bytes englishText(std::size_t size, std::uint32_t seed);
Bytes repetitive(std::size_t size, std::uint32_t seed);
Bytes incompressible(std::size_t size, std::uint32_t seed);
Bytes x86Code(std::size_t size, std::uint32_t seed);       // calls, jumps, RIP-relative loads
Bytes deltaRecords(std::size_t size, std::uint32_t seed);  // tables of linearly changing fields
Bytes mixed(std::size_t size, std::uint32_t seed);         // all of the above in turn

}  // namespace lzms_test
