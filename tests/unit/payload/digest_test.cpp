// The image digest: CRC-32C against published check values, the instruction
// and the table road against each other, and the record the installer reads.
#include "payload/core/digest.h"
#include "payload/core/payload.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    Bytes bytes(size);
    for (auto& b : bytes) b = std::uint8_t(generator());
    return bytes;
}

struct CrcVector {
    const char* name;
    Bytes input;
    std::uint32_t crc;
};

// Check values of CRC-32C: the common "123456789" check and the iSCSI test
// patterns of 32 bytes.
std::vector<CrcVector> knownVectors() {
    Bytes ascending(32), descending(32);
    std::iota(ascending.begin(), ascending.end(), std::uint8_t(0));
    std::iota(descending.rbegin(), descending.rend(), std::uint8_t(0));
    return {
        {"empty", {}, 0x00000000u},
        {"a", bytesOf("a"), 0xC1D04330u},
        {"123456789", bytesOf("123456789"), 0xE3069283u},
        {"32 zero bytes", Bytes(32, 0x00), 0x8A9136AAu},
        {"32 bytes 0xFF", Bytes(32, 0xFF), 0x62A8AB43u},
        {"32 ascending bytes", ascending, 0x46DD794Eu},
        {"32 descending bytes", descending, 0x113FDB5Cu},
    };
}

TEST(Crc32c, GivesThePublishedCheckValuesOnEveryRoad) {
    for (const CrcVector& v : knownVectors()) {
        EXPECT_EQ(digest::crc32cPortable(v.input), v.crc) << v.name;
        EXPECT_EQ(digest::crc32c(v.input), v.crc) << v.name;
        if (digest::hasCrc32cInstruction()) EXPECT_EQ(digest::crc32cHardware(v.input), v.crc) << v.name;
    }
}

// One bit at a time, straight from the polynomial: no tables, no lanes.
std::uint32_t referenceCrc32c(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1u) ? 0x82F63B78u : 0u);
    }
    return ~crc;
}

// Long inputs are folded in three lanes that are joined at the end; lengths
// around the smallest one that takes lanes, and long odd ones, on both roads.
TEST(Crc32c, LongInputsMatchABitwiseReferenceOnEveryRoad) {
    const Bytes data = randomBytes(200'003, 14);
    const std::size_t lengths[] = {3'071, 3'072, 3'073, 3'120, 65'536, 100'001, 200'000};
    for (std::size_t start : {0, 1, 3}) {
        for (std::size_t length : lengths) {
            const std::span<const std::uint8_t> slice(data.data() + start, length);
            const std::uint32_t expected = referenceCrc32c(slice);
            EXPECT_EQ(digest::crc32cPortable(slice), expected) << "start " << start << ", length " << length;
            if (digest::hasCrc32cInstruction()) {
                EXPECT_EQ(digest::crc32cHardware(slice), expected) << "start " << start << ", length " << length;
            }
        }
    }
}

TEST(Crc32c, InstructionAndTablesAgreeOnAnyLengthAndAlignment) {
    if (!digest::hasCrc32cInstruction()) GTEST_SKIP() << "this processor has no SSE4.2";
    const Bytes data = randomBytes(70'000, 11);
    const std::size_t lengths[] = {1, 2, 3, 7, 8, 9, 15, 17, 63, 255, 4'097, 65'537};
    for (std::size_t start = 0; start < 8; ++start) {
        for (std::size_t length : lengths) {
            const std::span<const std::uint8_t> slice(data.data() + start, length);
            EXPECT_EQ(digest::crc32cHardware(slice), digest::crc32cPortable(slice))
                << "start " << start << ", length " << length;
        }
    }
}

TEST(Crc32c, ContinuesAcrossPiecesAsOverTheWhole) {
    const Bytes data = randomBytes(10'001, 12);
    const std::uint32_t whole = digest::crc32c(data);
    for (std::size_t cut : {std::size_t(0), std::size_t(1), std::size_t(5'000), std::size_t(9'999), data.size()}) {
        const std::span<const std::uint8_t> all(data);
        EXPECT_EQ(digest::crc32c(all.subspan(cut), digest::crc32c(all.first(cut))), whole) << "cut at " << cut;
        EXPECT_EQ(digest::crc32cPortable(all.subspan(cut), digest::crc32cPortable(all.first(cut))), whole)
            << "cut at " << cut;
    }
}

TEST(ImageDigestRecord, RoundTripsAndHasItsDocumentedLayout) {
    const ImageDigest digest{0x0102030405060708ull, 0xE3069283u};
    const auto record = encodeImageDigest(digest);
    const Bytes expected = {'Q', 'V', 'D', 'G', 'S', 'T', '1', 0,  // magic
                            1, 0, 0, 0,                             // CRC-32C
                            4, 0, 0, 0,                             // value size
                            8, 7, 6, 5, 4, 3, 2, 1,                 // image size
                            0x83, 0x92, 0x06, 0xE3};                // value
    EXPECT_EQ(Bytes(record.begin(), record.end()), expected);
    const std::optional<ImageDigest> decoded = decodeImageDigest(record);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->imageSize, digest.imageSize);
    EXPECT_EQ(decoded->crc32c, digest.crc32c);
}

TEST(ImageDigestRecord, RefusesRecordsItCannotRead) {
    const auto good = encodeImageDigest({100, 0x12345678u});
    const struct {
        const char* name;
        std::size_t at;      // byte to change, or the new length when `resize`
        std::uint8_t value;
        bool resize;
    } faults[] = {
        {"empty", 0, 0, true},
        {"header only", kImageDigestHeaderSize, 0, true},
        {"one byte short", kImageDigestRecordSize - 1, 0, true},
        {"one byte too many", kImageDigestRecordSize + 1, 0, true},
        {"other magic", 2, 'X', false},
        {"algorithm 2", 8, 2, false},
        {"value size 8", 12, 8, false},
        {"value size of 2^32 - 4", 15, 0xFF, false},
    };
    for (const auto& fault : faults) {
        Bytes record(good.begin(), good.end());
        if (fault.resize) {
            record.resize(fault.at);
        } else {
            record[fault.at] = fault.value;
        }
        EXPECT_FALSE(decodeImageDigest(record).has_value()) << fault.name;
        EXPECT_EQ(verifyImageDigest(Bytes(100, 0), record), PayloadStatus::Damaged) << fault.name;
    }
}

TEST(ImageDigestRecord, PassesOnlyTheImageItWasMadeFor) {
    const Bytes image = randomBytes(4'099, 13);
    const auto record = encodeImageDigest(digestOfImage(image));
    EXPECT_EQ(verifyImageDigest(image, record), PayloadStatus::Ok);

    Bytes flipped = image;
    flipped[2'000] ^= 0x01;
    EXPECT_EQ(verifyImageDigest(flipped, record), PayloadStatus::Damaged);

    // A longer or a shorter image fails on the recorded size.
    Bytes longer = image;
    longer.push_back(0);
    EXPECT_EQ(verifyImageDigest(longer, record), PayloadStatus::Damaged);
    EXPECT_EQ(verifyImageDigest(std::span(image).first(image.size() - 1), record), PayloadStatus::Damaged);
}

}  // namespace
