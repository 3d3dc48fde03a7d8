// The payload digest: a checksum of the container's header and file table
// and of the whole unpacked image, written by the packer beside the container
// and embedded in the installer as a second resource, "PAYLOAD_DIGEST"
// (RT_RCDATA). LZMS carries no checksum of its own, so a chunk damaged in a
// way that still decodes would otherwise install corrupted files and report
// success; the file table is stored as it is, so a damaged path, offset, size
// or fileCount would install a wrong name or wrong bytes, or drop files. The
// container itself is left as it is: an installer without the digest resource
// installs as before.
//
// The record (all integers little-endian, 28 bytes for CRC-32C):
//
//   offset size  field
//        0    8  magic "QVDGST" and the record's version digit, followed by
//                one zero byte
//        8    4  algorithm: 1 = CRC-32C (Castagnoli, reflected polynomial
//                0x82F63B78, initial value and final XOR 0xFFFFFFFF)
//       12    4  value size n in bytes (4 for CRC-32C)
//       16    8  image size: the container's totalSize
//       24    n  value; CRC-32C as a u32le
//
// Record version → what the value covers, in this order:
//   1 ("QVDGST1")  the image alone; written by older packers, still accepted
//   2 ("QVDGST2")  the 56 header bytes, the bytes from fileTableOffset up to
//                  chunkTableOffset, then the image
//
// A record with another magic, algorithm or value size is not ours to
// interpret and is treated as a failed check: the resource exists, so the
// build meant the image to be checked.
//
// CRC-32C because it is cheap next to decoding: x86-64 has an instruction for
// it (SSE4.2, chosen at run time through CPUID), and slicing-by-16 tables
// cover processors without one. It detects every burst error of up to 32 bits,
// so any single flipped byte, which is what damage that still decodes looks
// like.
#pragma once

#include "payload/core/payload.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace digest {

// CRC-32C of `bytes`, continuing from `previous` (the CRC of what came
// before; 0 to start): crc32c(b, crc32c(a)) == crc32c(a followed by b).
std::uint32_t crc32c(std::span<const std::uint8_t> bytes, std::uint32_t previous = 0);

// The two ways crc32c computes, exposed so that the tests can hold them to
// the same results. crc32cHardware needs hasCrc32cInstruction().
std::uint32_t crc32cPortable(std::span<const std::uint8_t> bytes, std::uint32_t previous = 0);
std::uint32_t crc32cHardware(std::span<const std::uint8_t> bytes, std::uint32_t previous = 0);
bool hasCrc32cInstruction();

}  // namespace digest

inline constexpr std::uint64_t kImageDigestMagic = 0x0031545347445651ull;           // "QVDGST1\0"
inline constexpr std::uint64_t kTablesAndImageDigestMagic = 0x0032545347445651ull;  // "QVDGST2\0"
inline constexpr std::uint32_t kDigestAlgorithmCrc32c = 1;
inline constexpr std::size_t kImageDigestHeaderSize = 24;
inline constexpr std::size_t kCrc32cValueSize = 4;
inline constexpr std::size_t kImageDigestRecordSize = kImageDigestHeaderSize + kCrc32cValueSize;

// What a record's value covers: its version.
enum class DigestCoverage : std::uint32_t {
    Image = 1,
    TablesAndImage = 2,
};

struct ImageDigest {
    std::uint64_t imageSize = 0;
    std::uint32_t crc32c = 0;
    DigestCoverage coverage = DigestCoverage::TablesAndImage;
};

// The CRC-32C a digest of `coverage` has reached when the image starts: 0 for
// the image alone, else that of the header and the file table of `payload`.
// Nothing when the header's offsets put the file table outside the payload
// (the reader does not check them when fileCount is 0).
std::optional<std::uint32_t> digestBeforeImage(const Payload& payload, DigestCoverage coverage);

// The record's bytes, as the packer writes them.
std::array<std::uint8_t, kImageDigestRecordSize> encodeImageDigest(const ImageDigest& digest);

// The digest a record holds, or nothing when the record is not one this
// build can read (wrong length, magic, algorithm or value size).
std::optional<ImageDigest> decodeImageDigest(std::span<const std::uint8_t> record);

// Ok when `payload` and its unpacked `image` match the digest `record` holds,
// each as far as the record covers it, else Damaged: the installer reports a
// mismatch exactly like a chunk that does not decode.
PayloadStatus checkPayloadDigest(const Payload& payload, std::span<const std::uint8_t> image,
                                 std::span<const std::uint8_t> record);
