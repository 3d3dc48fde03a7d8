// Fixed vectors: genuine Compression API buffers and streams whose decoding
// is known bit by bit.
#include "lzms_test_support.h"

#include "payload/lzms/buffer_writer.h"
#include "payload/lzms/lzms.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using lzms_test::Bytes;

lzms::Status decode(const Bytes& buffer, Bytes& out, std::size_t& produced) {
    return lzms::decodeBuffer(buffer, out, produced);
}

// 4096 zero bytes as the API encodes them: one literal, then repeat offset 1
// from the initial queue with length 4095 (length slot 52, 16 extra bits).
const Bytes kZerosStream = {0xFF, 0xAA, 0xD0, 0xFF, 0x00, 0x00, 0xA0, 0x3A, 0x40, 0x00};
// The same for 16384 letters 'A'.
const Bytes kLetterAStream = {0xFF, 0xAA, 0xD0, 0xFF, 0x00, 0x00, 0xA0, 0xBA, 0x41, 0x41};

// Streams encoded by hand, item by item: the range coder's decisions from the
// front, each item's codeword from the initial codes (and its extra bits)
// from the back.
//
// A block of 2^26 zeros, the largest the framing allows: literal 0, then
// repeat offset 1 with length 2^26 - 1 (length slot 53, 30 extra bits).
const Bytes kZeros64MiBStream = {0xFF, 0xAA, 0xD0, 0xFF, 0x80, 0xEA, 0xDE, 0x7F, 0x48, 0x00};
// Literals 10 and 17, then at position 2 delta repeat 0 from the initial queue
// (power 0, raw offset 1: span 1, offset 1) with length 62. Its farthest
// source byte, offset + span = 2 back, is byte 0.
const Bytes kDeltaFromByte0Stream = {0xBF, 0x8D, 0xD0, 0xFF, 0x80, 0xE1, 0x11, 0x0A};
// Literal 10, then the same delta match at position 1 with length 63: it
// would read one byte before the block.
const Bytes kDeltaBeforeByte0Stream = {0xFF, 0xBC, 0xD0, 0xFF, 0x00, 0x00, 0xE2, 0x0A};

Bytes arithmeticSequence(std::size_t size, std::uint8_t first, std::uint8_t step) {
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i) out[i] = std::uint8_t(first + i * step);
    return out;
}

TEST(LzmsWorkedSamples, HeaderOf1600ByteBufferMatchesGenuineBytesAndCheckByte) {
    const Bytes payload(146, 0);
    const Bytes buffer = lzms::writeSingleBlockBuffer(1600, {payload, false});
    const Bytes genuineStart = {0x0A, 0x51, 0xE5, 0xC0, 0x18, 0x00, 0x84, 0x05, 0x40, 0x06, 0x00, 0x00, 0x00, 0x00,
                                0x00, 0x00, 0x40, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x92, 0x00, 0x00, 0x00};
    ASSERT_EQ(buffer.size(), 174u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 28), genuineStart);
}

struct KnownStream {
    const char* items;
    const Bytes& stream;
    std::uint32_t blockSize;
    Bytes expected;
};

TEST(LzmsWorkedSamples, StreamsDecodeToTheBytesTheirItemsDescribeAndLibwimAgrees) {
    const KnownStream streams[] = {
        {"literal, repeat offset 1", kZerosStream, 4096, Bytes(4096, 0)},
        {"literal 'A', repeat offset 1", kLetterAStream, 16384, Bytes(16384, 0x41)},
        {"delta match reaching back to byte 0", kDeltaFromByte0Stream, 64, arithmeticSequence(64, 10, 7)},
        {"block of 2^26 bytes", kZeros64MiBStream, 1u << 26, Bytes(1u << 26, 0)},
    };
    for (const KnownStream& known : streams) {
        SCOPED_TRACE(known.items);
        const Bytes buffer = lzms::writeSingleBlockBuffer(known.blockSize, {known.stream, false});
        Bytes out(known.blockSize, 0xCC);
        std::size_t produced = 0;
        ASSERT_EQ(decode(buffer, out, produced), lzms::Status::Ok);
        EXPECT_EQ(produced, known.blockSize);
        EXPECT_EQ(out, known.expected);
        EXPECT_EQ(lzms_test::libwimDecodeRawBlock(known.stream, known.blockSize), known.expected);
    }
}

struct OutOfBoundsStream {
    const char* match;
    const Bytes& stream;
    std::uint32_t blockSize;
};

TEST(LzmsWorkedSamples, MatchesReachingOutsideTheBlockAreRejected) {
    const OutOfBoundsStream streams[] = {
        // The zeros stream in a block one byte shorter: its 4095-byte match no longer fits.
        {"LZ match one byte past the end", kZerosStream, 4095},
        {"delta match one byte before the start", kDeltaBeforeByte0Stream, 64},
    };
    for (const OutOfBoundsStream& bad : streams) {
        SCOPED_TRACE(bad.match);
        const Bytes buffer = lzms::writeSingleBlockBuffer(bad.blockSize, {bad.stream, false});
        Bytes out(bad.blockSize);
        std::size_t produced = 1;
        EXPECT_EQ(decode(buffer, out, produced), lzms::Status::CorruptData);
        EXPECT_EQ(produced, 0u);
        EXPECT_TRUE(lzms_test::libwimDecodeRawBlock(bad.stream, bad.blockSize).empty()) << "libwim refuses it too";
    }
}

TEST(LzmsWorkedSamples, MultiBlockBufferDecodesEachBlockWithItsOwnSize) {
    // Blocks of 64, 64 and 22 bytes; the last needs its own offset alphabet (12 slots).
    const Bytes buffer = {
        0x0A, 0x51, 0xE5, 0xC0, 0x18, 0x00, 0x38, 0x05, 0x96, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x08, 0x65, 0xD0, 0xA0, 0x00, 0x00, 0x00, 0xA0,
        0x1D, 0x84, 0xB5, 0x90, 0x61, 0x63, 0x62, 0x61, 0x12, 0x00, 0x00, 0x00, 0xA7, 0x27, 0x90, 0x2E, 0x00, 0x00,
        0x00, 0xA0, 0x1D, 0x58, 0xBE, 0xDA, 0x2D, 0x64, 0x62, 0x61, 0x63, 0x62, 0x0E, 0x00, 0x00, 0x00, 0x62, 0x67,
        0xD0, 0xBF, 0x00, 0x00, 0x42, 0x0F, 0x6A, 0xB1, 0x10, 0x43, 0x42, 0x41};
    Bytes out(150);
    std::size_t produced = 0;
    ASSERT_EQ(decode(buffer, out, produced), lzms::Status::Ok);
    std::string expected;
    for (int i = 0; i < 12; ++i) expected += "abcabcabd-";
    expected += "abcabcabABCDEF-ABCDEF-ABCDEF-A";
    EXPECT_EQ(std::string(out.begin(), out.end()), expected);

    // libwim agrees on every block.
    const std::size_t sizes[] = {16, 18, 14}, outputs[] = {64, 64, 22};
    std::size_t at = 24, written = 0;
    for (int k = 0; k < 3; ++k) {
        const Bytes raw(buffer.begin() + at + 4, buffer.begin() + at + 4 + sizes[k]);
        EXPECT_EQ(lzms_test::libwimDecodeRawBlock(raw, outputs[k]),
                  Bytes(out.begin() + written, out.begin() + written + outputs[k]));
        at += 4 + sizes[k];
        written += outputs[k];
    }
}

TEST(LzmsWorkedSamples, X86FilterRestoresOperandsNearHitsOnly) {
    const Bytes raw = {0x18, 0x14, 0x5B, 0x38, 0xAC, 0xD9, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x87,
                       0x69, 0xFA, 0x15, 0xFF, 0xD7, 0xF5, 0xB1, 0x8F, 0x0E, 0x09, 0x69, 0x49, 0x7E,
                       0x41, 0x23, 0x92, 0x05, 0xF5, 0xE8, 0x00, 0x00, 0x0F, 0xFA, 0xE8, 0x90};
    const Bytes expected = {0x90, 0xE8, 0xFA, 0x0F, 0x00, 0x00, 0xE8, 0xF5, 0x0F, 0x00, 0x00, 0x48,
                            0x8D, 0x05, 0xEE, 0x0F, 0x00, 0x00, 0x90, 0x90, 0xE8, 0xE7, 0x1F, 0x00,
                            0x00, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0xFF, 0x15, 0xDB, 0x0F, 0x00,
                            0x00, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90};
    Bytes out(48);
    std::size_t produced = 0;
    ASSERT_EQ(decode(lzms::writeSingleBlockBuffer(48, {raw, false}), out, produced), lzms::Status::Ok);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(lzms_test::libwimDecodeRawBlock(raw, 48), expected);
}

TEST(LzmsWorkedSamples, StoredRandomBlockIsCopiedWithoutX86Filter) {
    // Stored data full of E8 calls must come out untouched: the filter only
    // follows LZMS decoding.
    Bytes data = lzms_test::x86Code(2048, 7);
    const Bytes buffer = lzms::writeSingleBlockBuffer(2048, {data, true});
    ASSERT_EQ(buffer.size(), 2076u);
    Bytes out(2048);
    std::size_t produced = 0;
    ASSERT_EQ(decode(buffer, out, produced), lzms::Status::Ok);
    EXPECT_EQ(out, data);
}

}  // namespace
