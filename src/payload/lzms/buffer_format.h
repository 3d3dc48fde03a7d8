// The Windows Compression API's LZMS buffer framing, shared by the reader
// (decoder.cpp) and the writer (buffer_writer.cpp).
//
// A buffer is a 24-byte header followed by the blocks:
//
//   offset size  field
//        0    4  magic 0A 51 E5 C0
//        4    2  header size, u16le, always 24
//        6    1  header check: low byte of the CRC-32 of the other 23 bytes
//        7    1  algorithm, 5 = LZMS
//        8    8  total uncompressed size, u64le
//       16    4  block size, u32le: min(total, the encoder's block size)
//       20    4  flags, u32le, 0
//
// Then, for each of ceil(total / block size) blocks, a u32le compressed size
// C and C payload bytes. A payload exactly as long as its block's output is
// stored (copied as is); any other length is one raw LZMS stream.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace lzms::framing {

inline constexpr std::size_t kHeaderSize = 24;
inline constexpr std::size_t kBlockSizeFieldSize = 4;
inline constexpr std::array<std::uint8_t, 4> kMagic = {0x0A, 0x51, 0xE5, 0xC0};
inline constexpr std::uint8_t kAlgorithmLzms = 5;
inline constexpr std::size_t kCheckByteOffset = 6;
inline constexpr std::size_t kAlgorithmOffset = 7;
inline constexpr std::size_t kTotalSizeOffset = 8;
inline constexpr std::size_t kBlockSizeOffset = 16;
inline constexpr std::size_t kFlagsOffset = 20;

// The largest block the API's encoder writes (64 MiB); it also bounds the
// match window and keeps every offset well inside 32 bits.
inline constexpr std::uint32_t kMaxBlockSize = 1u << 26;

// An LZMS payload is a whole number of 16-bit words, at least two of them:
// the range decoder's first refill reads two words.
inline constexpr std::size_t kMinLzmsPayload = 4;

// Low 8 bits of the CRC-32 (zlib/PNG polynomial) of header bytes 0-5 and
// 7-23, that is, of everything but the check byte itself.
std::uint8_t headerCheck(std::span<const std::uint8_t, kHeaderSize> header);

inline std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

inline std::uint64_t readU64(const std::uint8_t* p) {
    return std::uint64_t(readU32(p)) | std::uint64_t(readU32(p + 4)) << 32;
}

inline void writeU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

inline void writeU64(std::uint8_t* p, std::uint64_t v) {
    writeU32(p, std::uint32_t(v));
    writeU32(p + 4, std::uint32_t(v >> 32));
}

}  // namespace lzms::framing
