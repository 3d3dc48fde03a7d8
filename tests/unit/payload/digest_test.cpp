// The payload digest: CRC-32C against published check values, the instruction
// and the table road against each other, and the record the installer reads.
#include "container_builder.h"
#include "payload/core/digest.h"
#include "payload/core/payload.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <string>
#include <string_view>
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

TEST(ImageDigestRecord, RoundTripsAndHasItsDocumentedLayoutInBothVersions) {
    for (const DigestCoverage coverage : {DigestCoverage::Image, DigestCoverage::TablesAndImage}) {
        const ImageDigest digest{0x0102030405060708ull, 0xE3069283u, coverage};
        const auto record = encodeImageDigest(digest);
        const std::uint8_t version = coverage == DigestCoverage::Image ? '1' : '2';
        const Bytes expected = {'Q', 'V', 'D', 'G', 'S', 'T', version, 0,  // magic
                                1, 0, 0, 0,                                   // CRC-32C
                                4, 0, 0, 0,                                   // value size
                                8, 7, 6, 5, 4, 3, 2, 1,                       // image size
                                0x83, 0x92, 0x06, 0xE3};                      // value
        EXPECT_EQ(Bytes(record.begin(), record.end()), expected);
        const std::optional<ImageDigest> decoded = decodeImageDigest(record);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->imageSize, digest.imageSize);
        EXPECT_EQ(decoded->crc32c, digest.crc32c);
        EXPECT_EQ(decoded->coverage, coverage);
    }
}

// A container of three files over a 100-byte image, read as the installer
// reads it, and the image.
struct Packed {
    Bytes container;
    Payload payload;
    Bytes image = randomBytes(100, 15);

    Packed() {
        payload_test::Container c;
        c.entries = {{"TessarkStudio.exe", 0, 40}, {"uninstall.exe", 40, 30}, {"web/app.js", 70, 30}};
        c.header.totalSize = image.size();
        c.layOut();
        container = c.bytes();
        reparse();
    }
    void reparse() { EXPECT_EQ(parsePayload(container, payload), PayloadStatus::Ok); }

    // What a record of `coverage` holds for this container and image: the
    // CRC-32C of the bytes before the chunk table (the header and the file
    // table right behind it) and then of the image, or of the image alone.
    Bytes record(DigestCoverage coverage) const {
        const std::uint32_t tables =
            digest::crc32c(std::span(container).first(std::size_t(payload.header.chunkTableOffset)));
        const std::uint32_t start = coverage == DigestCoverage::Image ? 0 : tables;
        const auto bytes = encodeImageDigest({image.size(), digest::crc32c(image, start), coverage});
        return Bytes(bytes.begin(), bytes.end());
    }
};

TEST(ImageDigestRecord, RefusesRecordsItCannotRead) {
    const Packed packed;
    const Bytes good = packed.record(DigestCoverage::TablesAndImage);
    ASSERT_EQ(checkPayloadDigest(packed.payload, packed.image, good), PayloadStatus::Ok);
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
        {"version 3", 6, '3', false},
        {"algorithm 2", 8, 2, false},
        {"value size 8", 12, 8, false},
        {"value size of 2^32 - 4", 15, 0xFF, false},
    };
    for (const auto& fault : faults) {
        Bytes record = good;
        if (fault.resize) {
            record.resize(fault.at);
        } else {
            record[fault.at] = fault.value;
        }
        EXPECT_FALSE(decodeImageDigest(record).has_value()) << fault.name;
        EXPECT_EQ(checkPayloadDigest(packed.payload, packed.image, record), PayloadStatus::Damaged) << fault.name;
    }
}

// Damage to the container or the image → whether a record of each version
// notices it. An older packer's record covers the image alone and is still
// accepted as far as it goes.
TEST(ImageDigestRecord, PassesOnlyThePayloadItWasMadeFor) {
    struct Damage {
        const char* name;
        void (*apply)(Packed&);
        bool imageRecordNotices;
    };
    const Damage damages[] = {
        {"none", [](Packed&) {}, false},
        {"one image bit", [](Packed& p) { p.image[50] ^= 0x01; }, true},
        {"one image byte more", [](Packed& p) { p.image.push_back(0); }, true},
        {"one image byte less", [](Packed& p) { p.image.pop_back(); }, true},
        {"a path letter", [](Packed& p) { p.container[p.container.size() - 20] = 'b'; }, false},  // "web/app.js" → "web/bpp.js"
        {"a file's size", [](Packed& p) { p.container[p.container.size() - 8] = 20; }, false},
        {"a lower fileCount", [](Packed& p) { p.container[12] = 2; }, false},
    };
    for (const Damage& damage : damages) {
        Packed packed;
        const Bytes current = packed.record(DigestCoverage::TablesAndImage);
        const Bytes older = packed.record(DigestCoverage::Image);
        damage.apply(packed);
        packed.reparse();
        const bool damaged = std::string_view(damage.name) != "none";
        EXPECT_EQ(checkPayloadDigest(packed.payload, packed.image, current),
                  damaged ? PayloadStatus::Damaged : PayloadStatus::Ok)
            << damage.name;
        EXPECT_EQ(checkPayloadDigest(packed.payload, packed.image, older),
                  damage.imageRecordNotices ? PayloadStatus::Damaged : PayloadStatus::Ok)
            << damage.name;
    }
}

// With no files the reader does not look at the file table's offsets; a
// table that would end before it starts cannot be checked, so it fails.
TEST(ImageDigestRecord, AFileTableThatEndsBeforeItStartsFails) {
    Packed packed;
    packed.container[40] = 40;  // chunkTableOffset, before fileTableOffset (56)
    packed.container[12] = 0;   // fileCount
    packed.reparse();
    EXPECT_FALSE(digestBeforeImage(packed.payload, DigestCoverage::TablesAndImage).has_value());
    EXPECT_EQ(digestBeforeImage(packed.payload, DigestCoverage::Image), 0u);
    EXPECT_EQ(checkPayloadDigest(packed.payload, packed.image, packed.record(DigestCoverage::TablesAndImage)),
              PayloadStatus::Damaged);
}

}  // namespace
