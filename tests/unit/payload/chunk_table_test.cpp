// The chunk table's consistency check that guards the unpacker: no chunk may
// make it read outside the payload or write outside the image.
#include "payload/core/payload.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

constexpr std::uint64_t kMaxU64 = std::numeric_limits<std::uint64_t>::max();

// Three chunks of 100, 100 and 50 bytes; the data area holds 120 bytes
// behind a 200-byte front: chunk 0 compressed (40 bytes), chunk 1 compressed
// (30 bytes), chunk 2 stored (50 bytes).
Payload threeChunks() {
    Payload p;
    p.size = 320;
    p.header.chunkSize = 100;
    p.header.totalSize = 250;
    p.header.dataOffset = 200;
    p.chunks = {{0, 40, 100, 0, 0}, {40, 30, 100, 0, 0}, {70, 0, 50, 1, 0}};
    return p;
}

struct Case {
    const char* name;
    std::function<void(Payload&)> bend;
    bool ok;
};

TEST(ChunkTable, RefusesEveryChunkThatWouldLeaveThePayloadOrTheImage) {
    const Case cases[] = {
        {"well formed, last chunk ending at the payload's end", [](Payload&) {}, true},
        {"no chunks and a nonzero image", [](Payload& p) { p.chunks.clear(); }, true},
        {"chunk size 0", [](Payload& p) { p.header.chunkSize = 0; }, false},
        {"chunk size above 64 MiB",
         [](Payload& p) {
             p.header.chunkSize = kMaxChunkSize + 1;
             p.chunks[0].size = p.chunks[1].size = kMaxChunkSize + 1;
         },
         false},
        {"a middle chunk shorter than chunkSize", [](Payload& p) { p.chunks[1].size = 99; }, false},
        {"last chunk longer than chunkSize", [](Payload& p) { p.chunks[2].size = 101; }, false},
        {"last chunk empty", [](Payload& p) { p.chunks[2].size = 0; p.header.totalSize = 200; }, false},
        {"sizes fall short of totalSize", [](Payload& p) { p.header.totalSize = 251; }, false},
        {"last chunk runs past totalSize", [](Payload& p) { p.header.totalSize = 249; }, false},
        {"more chunks than the image holds", [](Payload& p) { p.header.totalSize = 150; }, false},
        {"stored chunk's bytes past the payload's end", [](Payload& p) { p.chunks[2].size = 51; p.header.totalSize = 251; }, false},
        {"compressed chunk past the payload's end", [](Payload& p) { p.chunks[1].compressedSize = 81; }, false},
        {"chunk offset 2^64-1", [](Payload& p) { p.chunks[0].offset = kMaxU64; }, false},
        {"data area past the payload's end", [](Payload& p) { p.header.dataOffset = 321; }, false},
        {"data area at 2^64-1", [](Payload& p) { p.header.dataOffset = kMaxU64; }, false},
        {"huge totalSize", [](Payload& p) { p.header.totalSize = kMaxU64; }, false},
    };
    for (const Case& test : cases) {
        Payload p = threeChunks();
        test.bend(p);
        EXPECT_EQ(checkChunkTable(p), test.ok ? PayloadStatus::Ok : PayloadStatus::Damaged) << test.name;
    }
}

TEST(ChunkTable, StoredChunkIsBoundedByItsSizeNotItsCompressedSize) {
    Payload p = threeChunks();
    p.chunks[2].compressedSize = 0xFFFFFFFF;  // unused for a stored chunk
    EXPECT_EQ(checkChunkTable(p), PayloadStatus::Ok);
}

}  // namespace
