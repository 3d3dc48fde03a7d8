// The payload container reader. It trusts nothing in the bytes: the resource
// of a tampered or truncated installer reaches it unchanged, so every offset,
// count and length is checked against what is really there before use, and
// no count from the header sizes an allocation before it is known to fit.
//
//   header (56 bytes) | file table | chunk table (24 bytes a record) | data
//
// File-table entry: u32 path length n, n path bytes (UTF-8, '/'), u64 offset
// and u64 size in the unpacked image. The file table ends where the chunk
// table begins; an entry may end exactly there.
#include "payload/core/payload.h"
#include "payload/core/payload_path.h"

#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t kPathLengthFieldSize = 4;
constexpr std::size_t kEntryNumbersSize = 16;  // u64 offset + u64 size behind the path
constexpr std::size_t kSmallestEntrySize = kPathLengthFieldSize + 1 + kEntryNumbersSize;

std::uint32_t loadU32(const std::uint8_t* p) {
    std::uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

std::uint64_t loadU64(const std::uint8_t* p) {
    std::uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

bool isOurFormat(const PayloadHeader& header) {
    return header.magic == kPayloadMagic && header.version == kPayloadVersion;
}

// Both tables must start inside the payload and the chunk table must end
// inside it; the file table's end is the chunk table's start.
bool tablesLieInside(const PayloadHeader& header, std::uint64_t size) {
    // Does the file table start inside the payload?
    if (header.fileTableOffset > size) return false;
    // Does the chunk table start inside the payload?
    if (header.chunkTableOffset > size) return false;
    const std::uint64_t chunkTableBytes = std::uint64_t(header.chunkCount) * kPayloadChunkRecordSize;
    // Does the chunk table end inside the payload?
    if (chunkTableBytes > size - header.chunkTableOffset) return false;
    return true;
}

// Walks `fileCount` entries from fileTableOffset up to chunkTableOffset.
bool readFileTable(std::span<const std::uint8_t> bytes, const PayloadHeader& header,
                   std::vector<PayloadEntry>& entries) {
    if (header.fileCount == 0) return true;
    // Does the file table start before its limit?
    if (header.fileTableOffset > header.chunkTableOffset) return false;

    const std::uint64_t tableBytes = header.chunkTableOffset - header.fileTableOffset;
    // Can the table hold fileCount entries at all? (Checked before reserving:
    // the count comes from the file and could ask for gigabytes.)
    if (header.fileCount > tableBytes / kSmallestEntrySize) return false;
    entries.reserve(header.fileCount);

    const std::uint8_t* position = bytes.data() + header.fileTableOffset;
    const std::uint8_t* const limit = bytes.data() + header.chunkTableOffset;
    for (std::uint32_t i = 0; i < header.fileCount; ++i) {
        std::size_t remaining = std::size_t(limit - position);
        // Is there room for the path length?
        if (kPathLengthFieldSize > remaining) return false;
        const std::uint32_t pathLength = loadU32(position);
        position += kPathLengthFieldSize;
        remaining -= kPathLengthFieldSize;
        // Is there room for the offset and size behind the path?
        if (kEntryNumbersSize > remaining) return false;
        // Is there room for the path itself?
        if (pathLength > remaining - kEntryNumbersSize) return false;

        PayloadEntry& entry = entries.emplace_back();
        entry.path.assign(reinterpret_cast<const char*>(position), pathLength);
        position += pathLength;
        entry.offset = loadU64(position);
        entry.size = loadU64(position + 8);
        position += kEntryNumbersSize;
    }
    return true;
}

// Every entry must be a slice of the image, so that the installer can write
// it from the unpacked bytes without reading past them.
bool entriesLieInsideImage(const std::vector<PayloadEntry>& entries, std::uint64_t totalSize) {
    for (const PayloadEntry& entry : entries) {
        // Is the file longer than the image?
        if (entry.size > totalSize) return false;
        // Does it start late enough to run past the image's end?
        if (entry.offset > totalSize - entry.size) return false;
    }
    return true;
}

bool pathsAreSafe(const std::vector<PayloadEntry>& entries) {
    std::vector<std::string_view> paths;
    paths.reserve(entries.size());
    for (const PayloadEntry& entry : entries) {
        if (payload_path::check(entry.path) != payload_path::Fault::None) return false;
        paths.push_back(entry.path);
    }
    return !payload_path::findClash(paths).has_value();
}

}  // namespace

PayloadStatus parsePayload(std::span<const std::uint8_t> bytes, Payload& payload) {
    payload = Payload{};
    payload.data = bytes.data();
    payload.size = bytes.size();
    if (bytes.data() == nullptr || bytes.size() < kPayloadHeaderSize) {
        return PayloadStatus::Truncated;
    }

    std::memcpy(&payload.header, bytes.data(), kPayloadHeaderSize);
    const PayloadHeader& header = payload.header;
    if (!isOurFormat(header)) return PayloadStatus::WrongVersion;
    if (!tablesLieInside(header, payload.size)) return PayloadStatus::Truncated;

    if (!readFileTable(bytes, header, payload.entries)) return PayloadStatus::MalformedTable;
    if (!entriesLieInsideImage(payload.entries, header.totalSize)) return PayloadStatus::MalformedTable;
    if (!pathsAreSafe(payload.entries)) return PayloadStatus::MalformedTable;

    payload.chunks.resize(header.chunkCount);
    if (header.chunkCount != 0) {
        std::memcpy(payload.chunks.data(), bytes.data() + header.chunkTableOffset,
                    std::size_t(header.chunkCount) * kPayloadChunkRecordSize);
    }
    return PayloadStatus::Ok;
}
