// The payload container: a fixed 56-byte header, a file table, a chunk table
// and a data area of independently compressed chunks, stored in the installer
// as resource "PAYLOAD" of type RT_RCDATA. All integers are little-endian.
//
// parsePayload is the portable reader: it works on a byte span and never reads
// outside it. openPayload (payload/payload_resource.h) finds the resource in
// the running module and hands its bytes to parsePayload.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
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

// Why a payload cannot be installed. The reader and the chunk-table check
// return the first four failures; the Windows side adds the others.
enum class PayloadStatus {
    Ok,
    Missing,         // no PAYLOAD resource
    NotLoaded,       // the resource is there but cannot be loaded
    Truncated,       // shorter than its header or tables say
    WrongVersion,    // another magic or version
    MalformedTable,  // the file table does not parse, or names a path Windows cannot hold safely
    ApiUnavailable,  // the Compression API exists but gives no decompressor
    Damaged,         // a chunk, the chunk table or the image digest is wrong
};

// Status → the one sentence the installer shows and the packer prints; empty
// for Ok.
std::wstring_view payloadMessage(PayloadStatus status);

// True for Ok. Otherwise replaces `error` with the status's sentence and
// returns false, for the Windows side whose operations report in words.
bool reportStatus(PayloadStatus status, std::wstring& error);

// Fills `payload` from the container bytes. Besides the header and the
// file-table walk it refuses what would make a later step read outside the
// bytes or the image: tables outside the bytes (Truncated), entries outside
// totalSize and paths that cannot be written safely on Windows
// (MalformedTable, see payload/core/payload_path.h).
PayloadStatus parsePayload(std::span<const std::uint8_t> bytes, Payload& payload);

// The chunk table's own consistency, checked before unpacking: every chunk's
// stored bytes inside the payload, every destination inside the image, every
// chunk but the last exactly chunkSize long, the sizes adding up to
// totalSize, chunkSize at most kMaxChunkSize. With no chunks at all any
// totalSize passes (the image is then all zero). Damaged on failure.
PayloadStatus checkChunkTable(const Payload& payload);

// The sum of the file sizes: what the install puts on disk.
std::uint64_t payloadBytes(const Payload& payload);
