// The payload container: a fixed 56-byte header, a file table, a chunk table
// and a data area of independently compressed chunks, stored in the installer
// as resource "PAYLOAD" of type RT_RCDATA. All integers are little-endian.
//
// parsePayload is the portable reader: it works on a byte span, never reads
// outside it, and returns the same messages as openPayload, which finds the
// resource in the running module and hands its bytes to parsePayload.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr std::uint64_t kPayloadMagic = 0x00314B4341505651ull;  // "QVPACK1\0"
inline constexpr std::uint32_t kPayloadVersion = 1;
inline constexpr std::size_t kPayloadHeaderSize = 56;
inline constexpr std::size_t kPayloadChunkRecordSize = 24;
inline constexpr std::uint32_t kMaxChunkSize = 64u << 20;

struct PayloadHeader {
    std::uint64_t magic = 0;
    std::uint32_t version = 0;
    std::uint32_t fileCount = 0;
    std::uint32_t chunkCount = 0;
    std::uint32_t chunkSize = 0;
    std::uint64_t totalSize = 0;
    std::uint64_t fileTableOffset = 0;
    std::uint64_t chunkTableOffset = 0;
    std::uint64_t dataOffset = 0;
};
static_assert(sizeof(PayloadHeader) == kPayloadHeaderSize);
static_assert(offsetof(PayloadHeader, totalSize) == 24 && offsetof(PayloadHeader, dataOffset) == 48);
// The header and the chunk records are copied verbatim from the little-endian
// container into these structs.
static_assert(std::endian::native == std::endian::little);

struct PayloadEntry {
    std::string path;  // UTF-8, '/' separators, exactly as stored
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

struct PayloadChunk {
    std::uint64_t offset = 0;  // from dataOffset
    std::uint32_t compressedSize = 0;
    std::uint32_t size = 0;
    std::uint32_t stored = 0;
    std::uint32_t reserved = 0;
};
static_assert(sizeof(PayloadChunk) == kPayloadChunkRecordSize);

struct Payload {
    const std::uint8_t* data = nullptr;  // the resource bytes; never owned
    std::uint64_t size = 0;
    PayloadHeader header;
    std::vector<PayloadEntry> entries;
    std::vector<PayloadChunk> chunks;
};

namespace payload_messages {
inline constexpr wchar_t kMissing[] = L"This installer was built without its payload.";
inline constexpr wchar_t kNotLoaded[] = L"The payload resource could not be loaded.";
inline constexpr wchar_t kTruncated[] = L"The payload is truncated.";
inline constexpr wchar_t kWrongVersion[] = L"The payload was written by a different version of the packer.";
inline constexpr wchar_t kMalformedTable[] = L"The payload file table is malformed.";
inline constexpr wchar_t kApiUnavailable[] = L"The Windows Compression API is unavailable on this machine.";
inline constexpr wchar_t kDamaged[] = L"The payload could not be decompressed - this installer may be damaged.";
}  // namespace payload_messages

// Fills `payload` from the container bytes. On failure returns false and
// replaces `error` with one of the messages above. Besides the header and the
// file-table walk it refuses what would make a later step read outside the
// bytes or the image: tables outside the bytes (kTruncated), entries outside
// totalSize and paths that cannot be written safely on Windows
// (kMalformedTable, see payload/core/payload_path.h).
bool parsePayload(std::span<const std::uint8_t> bytes, Payload& payload, std::wstring& error);

// The chunk table's own consistency, checked before unpacking: every chunk's
// stored bytes inside the payload, every destination inside the image, every
// chunk but the last exactly chunkSize long, the sizes adding up to
// totalSize, chunkSize at most kMaxChunkSize. With no chunks at all any
// totalSize passes (the image is then all zero). On failure returns false and
// replaces `error` with kDamaged.
bool checkChunkTable(const Payload& payload, std::wstring& error);

#ifdef _WIN32
// Finds resource "PAYLOAD" (RT_RCDATA) in the program's own module and parses it.
bool openPayload(Payload& payload, std::wstring& error);
#endif
