// The Compression API framing: every header field and block size is checked
// before it is trusted, and each fault has its own status.
#include "lzms_test_support.h"

#include "payload/lzms/buffer_format.h"
#include "payload/lzms/buffer_writer.h"
#include "payload/lzms/lzms.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

using lzms_test::Bytes;

// Three blocks of 1000, 1000 and 500 bytes: LZMS, stored, LZMS.
struct Sample {
    Bytes data;
    Bytes buffer;
};

Sample threeBlockSample() {
    Sample s;
    s.data = lzms_test::englishText(2500, 21);
    const Bytes random = lzms_test::incompressible(1000, 22);
    std::copy(random.begin(), random.end(), s.data.begin() + 1000);
    s.buffer = lzms_test::compressToBuffer(s.data, 1000, 50);
    return s;
}

void refreshCheckByte(Bytes& buffer) {
    buffer[lzms::framing::kCheckByteOffset] =
        lzms::framing::headerCheck(std::span<const std::uint8_t, 24>(buffer.data(), 24));
}

lzms::Status decodeInto(const Bytes& buffer, std::size_t room, std::size_t& produced) {
    Bytes out(room);
    return lzms::decodeBuffer(buffer, out, produced);
}

struct HeaderFault {
    const char* name;
    std::function<void(Bytes&)> damage;
    bool refreshCheck;
    lzms::Status expected;
};

TEST(LzmsFraming, HeaderFaultsAreRejectedWithTheirOwnStatus) {
    const Sample sample = threeBlockSample();
    const HeaderFault faults[] = {
        {"bad magic", [](Bytes& b) { b[0] = 0x0B; }, true, lzms::Status::BadHeader},
        {"header size 25", [](Bytes& b) { b[4] = 25; }, true, lzms::Status::BadHeader},
        {"check byte off by one", [](Bytes& b) { b[6] ^= 1; }, false, lzms::Status::BadHeaderCheck},
        {"total changed without new check", [](Bytes& b) { b[8] ^= 1; }, false, lzms::Status::BadHeaderCheck},
        {"algorithm 4 (XPRESS Huffman)", [](Bytes& b) { b[7] = 4; }, true, lzms::Status::UnsupportedAlgorithm},
        {"nonzero flags", [](Bytes& b) { b[20] = 1; }, true, lzms::Status::BadHeader},
        {"block size 0", [](Bytes& b) { lzms::framing::writeU32(&b[16], 0); }, true, lzms::Status::BadHeader},
        {"block size above total", [](Bytes& b) { lzms::framing::writeU32(&b[16], 2501); }, true, lzms::Status::BadHeader},
        {"block size above 64 MiB", [](Bytes& b) { lzms::framing::writeU64(&b[8], 1ull << 40); lzms::framing::writeU32(&b[16], (1u << 26) + 1); }, true, lzms::Status::BadHeader},
    };
    for (const HeaderFault& fault : faults) {
        Bytes buffer = sample.buffer;
        fault.damage(buffer);
        if (fault.refreshCheck) refreshCheckByte(buffer);
        std::size_t produced = 99;
        EXPECT_EQ(decodeInto(buffer, 1u << 20, produced), fault.expected) << fault.name;
        EXPECT_EQ(produced, 0u) << fault.name;
    }
}

TEST(LzmsFraming, EveryTruncationIsReportedAsTruncated) {
    const Sample sample = threeBlockSample();
    for (std::size_t cut = 0; cut < sample.buffer.size(); ++cut) {
        const Bytes prefix(sample.buffer.begin(), sample.buffer.begin() + cut);
        std::size_t produced = 99;
        ASSERT_EQ(decodeInto(prefix, sample.data.size(), produced), lzms::Status::Truncated) << "cut at " << cut;
        EXPECT_EQ(produced, 0u);
    }
}

TEST(LzmsFraming, BlockLargerThanTheRestIsTruncatedNotOverread) {
    Sample sample = threeBlockSample();
    // The first block's size field claims one byte more than the buffer
    // holds, then the largest value the field can carry.
    for (const std::uint32_t claimed : {std::uint32_t(sample.buffer.size() - 28 + 1), 0xFFFFFFFFu}) {
        lzms::framing::writeU32(&sample.buffer[24], claimed);
        std::size_t produced = 0;
        EXPECT_EQ(decodeInto(sample.buffer, sample.data.size(), produced), lzms::Status::Truncated) << claimed;
    }
}

TEST(LzmsFraming, BytesAfterTheLastBlockAreTrailingData) {
    Sample sample = threeBlockSample();
    sample.buffer.push_back(0);
    std::size_t produced = 99;
    EXPECT_EQ(decodeInto(sample.buffer, sample.data.size(), produced), lzms::Status::TrailingData);
    EXPECT_EQ(produced, 0u);
}

TEST(LzmsFraming, TotalAboveTheRoomFailsAndReportsTheNeededSize) {
    const Sample sample = threeBlockSample();
    std::size_t produced = 0;
    EXPECT_EQ(decodeInto(sample.buffer, sample.data.size() - 1, produced), lzms::Status::OutputTooSmall);
    EXPECT_EQ(produced, sample.data.size());

    // A forged total far beyond any block count is refused before anything is
    // decoded or allocated.
    Bytes forged = sample.buffer;
    lzms::framing::writeU64(&forged[8], ~0ull);
    refreshCheckByte(forged);
    EXPECT_EQ(decodeInto(forged, 4096, produced), lzms::Status::OutputTooSmall);
}

TEST(LzmsFraming, RoomAboveTheTotalDecodesTheTotalLikeTheApi) {
    const Sample sample = threeBlockSample();
    Bytes out(sample.data.size() + 100, 0xEE);
    std::size_t produced = 0;
    ASSERT_EQ(lzms::decodeBuffer(sample.buffer, out, produced), lzms::Status::Ok);
    EXPECT_EQ(produced, sample.data.size());
    EXPECT_TRUE(std::equal(sample.data.begin(), sample.data.end(), out.begin()));
    EXPECT_EQ(out.back(), 0xEE) << "nothing written past the total";
}

TEST(LzmsFraming, EmptyBufferIsTheHeaderAlone) {
    const Bytes buffer = lzms::writeBuffer(0, 4096, {});
    ASSERT_EQ(buffer.size(), 24u);
    Bytes out;
    std::size_t produced = 99;
    EXPECT_EQ(lzms::decodeBuffer(buffer, out, produced), lzms::Status::Ok);
    EXPECT_EQ(produced, 0u);
}

TEST(LzmsFraming, LzmsPayloadsThatCannotBeStreamsAreCorrupt) {
    // Odd sizes and sizes under two words are not LZMS streams; nor is any
    // LZMS payload for a block of 1 or 2 bytes, which encoders always store.
    const Bytes odd(7, 0x55), tiny(2, 0x55), four(4, 0);
    struct Case {
        const char* name;
        Bytes buffer;
        std::size_t size;
    };
    auto frame = [](std::uint64_t total, const Bytes& payload) {
        return lzms::writeBuffer(total, std::uint32_t(total), std::vector<lzms::BlockPayload>{{payload, true}});
    };
    const Case cases[] = {
        {"odd payload", frame(7, odd), 100},
        {"one-word payload", frame(2, tiny), 100},
        {"LZMS payload for a 2-byte block", frame(4, four), 2},
    };
    for (const Case& c : cases) {
        Bytes buffer = c.buffer;
        // Rewrite the header's sizes so that the payload is not stored.
        lzms::framing::writeU64(&buffer[8], c.size);
        lzms::framing::writeU32(&buffer[16], std::uint32_t(c.size));
        refreshCheckByte(buffer);
        std::size_t produced = 99;
        EXPECT_EQ(decodeInto(buffer, c.size, produced), lzms::Status::CorruptData) << c.name;
        EXPECT_EQ(produced, 0u) << c.name;
    }
}

TEST(LzmsFraming, DamagedStreamsFailCleanlyOrDecodeWithinBounds) {
    // Flipped bits anywhere in LZMS payloads: the result may be wrong bytes or
    // CorruptData, never a read or write out of bounds (checked under ASan).
    const Bytes data = lzms_test::mixed(20000, 31);
    const Bytes good = lzms_test::compressToBuffer(data, 8192, 50);
    std::mt19937 rng(5);
    lzms::Decoder decoder;
    int corrupt = 0;
    for (int round = 0; round < 300; ++round) {
        Bytes buffer = good;
        const int flips = 1 + round % 4;
        for (int f = 0; f < flips; ++f) buffer[24 + rng() % (buffer.size() - 24)] ^= std::uint8_t(1u << (rng() % 8));
        Bytes out(data.size());
        std::size_t produced = 0;
        const lzms::Status status = decoder.decodeBuffer(buffer, out, produced);
        corrupt += status != lzms::Status::Ok;
        EXPECT_EQ(produced, status == lzms::Status::Ok ? data.size() : 0u);
    }
    EXPECT_GT(corrupt, 0);
}

TEST(LzmsBufferWriter, RejectsBlocksThatDoNotFitTheSizes) {
    const Bytes ten(10, 1), nine(9, 1), raw(6, 0), two(2, 0);
    struct Case {
        const char* name;
        std::uint64_t total;
        std::uint32_t blockSize;
        std::vector<lzms::BlockPayload> blocks;
    };
    const Case cases[] = {
        {"too few blocks", 20, 10, {{ten, true}}},
        {"too many blocks", 10, 10, {{ten, true}, {ten, true}}},
        {"stored block of the wrong length", 10, 10, {{nine, true}}},
        {"LZMS payload as long as its block", 10, 10, {{ten, false}}},
        {"odd LZMS payload", 20, 20, {{nine, false}}},
        {"LZMS payload under two words", 20, 20, {{two, false}}},
        {"block size 0", 10, 0, {{ten, true}}},
        {"block size over 64 MiB", 10, (1u << 26) + 1, {{ten, true}}},
        {"blocks for an empty buffer", 0, 10, {{raw, false}}},
    };
    for (const Case& c : cases) EXPECT_THROW(lzms::writeBuffer(c.total, c.blockSize, c.blocks), lzms::BufferWriteError) << c.name;
}

TEST(LzmsBufferWriter, RecordsTheSmallerOfTotalAndBlockSize) {
    const Bytes data(300, 7);
    const Bytes buffer = lzms::writeBuffer(300, 4u << 20, std::vector<lzms::BlockPayload>{{data, true}});
    EXPECT_EQ(lzms::framing::readU32(&buffer[16]), 300u);
    EXPECT_EQ(lzms::framing::readU32(&buffer[24]), 300u);
    EXPECT_EQ(buffer.size(), 24u + 4 + 300);
}

}  // namespace
