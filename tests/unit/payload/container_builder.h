// Builds payload containers byte by byte for the reader's tests, so that each
// test can bend one field (an offset, a count, a path length) and see what the
// reader makes of it.
#pragma once

#include "payload/core/payload.h"

#include <cstdint>
#include <string>
#include <vector>

namespace payload_test {

struct RawEntry {
    std::string path;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

inline void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

inline void putU64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    putU32(out, std::uint32_t(v));
    putU32(out, std::uint32_t(v >> 32));
}

inline void putHeader(std::vector<std::uint8_t>& out, const PayloadHeader& h) {
    putU64(out, h.magic);
    putU32(out, h.version);
    putU32(out, h.fileCount);
    putU32(out, h.chunkCount);
    putU32(out, h.chunkSize);
    putU64(out, h.totalSize);
    putU64(out, h.fileTableOffset);
    putU64(out, h.chunkTableOffset);
    putU64(out, h.dataOffset);
}

inline void putEntry(std::vector<std::uint8_t>& out, const RawEntry& e) {
    putU32(out, std::uint32_t(e.path.size()));
    out.insert(out.end(), e.path.begin(), e.path.end());
    putU64(out, e.offset);
    putU64(out, e.size);
}

inline void putChunk(std::vector<std::uint8_t>& out, const PayloadChunk& c) {
    putU64(out, c.offset);
    putU32(out, c.compressedSize);
    putU32(out, c.size);
    putU32(out, c.stored);
    putU32(out, c.reserved);
}

// A well-formed container: the header's counts and offsets follow from the
// entries, chunks and data given. Tests then change what they need.
struct Container {
    PayloadHeader header;
    std::vector<RawEntry> entries;
    std::vector<PayloadChunk> chunks;
    std::vector<std::uint8_t> data;

    Container() {
        header.magic = kPayloadMagic;
        header.version = kPayloadVersion;
    }

    // Fills the counts and offsets from the contents.
    Container& layOut() {
        std::vector<std::uint8_t> table;
        for (const RawEntry& e : entries) putEntry(table, e);
        header.fileCount = std::uint32_t(entries.size());
        header.chunkCount = std::uint32_t(chunks.size());
        header.fileTableOffset = kPayloadHeaderSize;
        header.chunkTableOffset = kPayloadHeaderSize + table.size();
        header.dataOffset = header.chunkTableOffset + chunks.size() * kPayloadChunkRecordSize;
        return *this;
    }

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> out;
        putHeader(out, header);
        for (const RawEntry& e : entries) putEntry(out, e);
        for (const PayloadChunk& c : chunks) putChunk(out, c);
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }
};

}  // namespace payload_test
