// Our decoder against the reference encoder: data of many shapes and sizes,
// compressed by libwim at its lowest, default and highest levels, framed as
// Compression API buffers, must decode back to the original bytes.
#include "lzms_test_support.h"

#include "payload/lzms/buffer_writer.h"
#include "payload/lzms/lzms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {

using lzms_test::Bytes;

struct Shape {
    const char* name;
    std::function<Bytes()> make;
    std::uint32_t blockSize;
    // The lowest level at which libwim must produce at least one LZMS block,
    // so that the case tests the decoder; 0 = never (stored data). Its fast
    // levels do not search for delta matches, so delta-only data is stored there.
    unsigned lzmsFromLevel;
};

constexpr unsigned kNever = 0, kAnyLevel = 1, kDeltaLevels = 50;

Bytes pattern(std::size_t size, std::initializer_list<std::uint8_t> unit) {
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i) out[i] = unit.begin()[i % unit.size()];
    return out;
}

Bytes counting(std::size_t size, std::uint8_t step) {
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i) out[i] = std::uint8_t(i * step);
    return out;
}

// Pieces of the start repeated from more than 256 KiB back, past a run of
// zeros. A random piece is followed by its own head again, whose nearest
// source is the piece just copied, and by a few fresh bytes; a table of
// records by records never seen, which only a delta match reaching into the
// table just copied can predict.
Bytes farRepeats(std::uint32_t seed) {
    constexpr std::size_t kTables = 4, kTableSize = 2048, kFollowing = 512;
    std::vector<Bytes> tables;
    Bytes out;
    for (std::size_t t = 0; t < kTables; ++t) {
        tables.push_back(lzms_test::deltaRecords(kTableSize + kFollowing, seed + std::uint32_t(t)));
        out.insert(out.end(), tables[t].begin(), tables[t].begin() + kTableSize);
    }
    const Bytes random = lzms_test::incompressible(32768, seed);
    out.insert(out.end(), random.begin(), random.end());
    out.resize(out.size() + (256u << 10));
    for (std::size_t k = 0; k < 60; ++k) {
        const std::size_t start = k * 500, length = 20 + k * 5, head = 8 + k % 30;
        const auto piece = random.begin() + std::ptrdiff_t(start);
        out.insert(out.end(), piece, piece + std::ptrdiff_t(length));
        out.insert(out.end(), piece, piece + std::ptrdiff_t(head));
        out.insert(out.end(), random.end() - std::ptrdiff_t(k % 4), random.end());
        if (k % 15 == 0) out.insert(out.end(), tables[k / 15].begin(), tables[k / 15].end());
    }
    return out;
}

const std::uint32_t kChunk = 4u << 20;

std::vector<Shape> shapes() {
    using namespace lzms_test;
    return {
        {"empty", [] { return Bytes(); }, kChunk, kNever},
        {"one byte", [] { return Bytes{0x41}; }, kChunk, kNever},
        {"three bytes", [] { return Bytes{1, 1, 1}; }, kChunk, kNever},
        {"repeating DEADBEEF CAFEBABE", [] { return pattern(8192, {0xDE, 0xAD, 0xBE, 0xEF, 0xCA, 0xFE, 0xBA, 0xBE}); }, kChunk, kAnyLevel},
        {"00..FF four times", [] { return counting(1024, 1); }, kChunk, kAnyLevel},
        {"arithmetic sequence of 64", [] { return counting(64, 7); }, kChunk, kDeltaLevels},
        {"text 1600", [] { return englishText(1600, 1); }, kChunk, kAnyLevel},
        {"text 64 KiB", [] { return englishText(64 << 10, 2); }, kChunk, kAnyLevel},
        {"repetitive 100 KB", [] { return repetitive(100000, 3); }, kChunk, kAnyLevel},
        {"incompressible 70000", [] { return incompressible(70000, 4); }, kChunk, kNever},
        {"x86 code 64 KiB", [] { return x86Code(64 << 10, 5); }, kChunk, kAnyLevel},
        {"x86 code 1 MiB", [] { return x86Code(1 << 20, 6); }, kChunk, kAnyLevel},
        {"delta records 64 KiB", [] { return deltaRecords(64 << 10, 7); }, kChunk, kDeltaLevels},
        {"delta records wide", [] { return deltaRecords(200000, 12); }, kChunk, kDeltaLevels},
        {"mixed 4 MiB", [] { return mixed(4 << 20, 8); }, kChunk, kAnyLevel},
        {"far repeats, and near and delta matches inside them", [] { return farRepeats(13); }, kChunk, kAnyLevel},
        {"mixed in 64 KiB blocks", [] { return mixed(300000, 9); }, 64 << 10, kAnyLevel},
        {"text in 1000-byte blocks, short tail", [] { return englishText(5003, 10); }, 1000, kAnyLevel},
        {"x86 in 4 KiB blocks", [] { return x86Code(50000, 11); }, 4096, kAnyLevel},
    };
}

void expectRoundTrip(const Shape& shape, unsigned level) {
    const Bytes data = shape.make();
    std::size_t lzmsBlocks = 0;
    const Bytes buffer = lzms_test::compressToBuffer(data, shape.blockSize, level, &lzmsBlocks);
    if (shape.lzmsFromLevel != kNever && level >= shape.lzmsFromLevel) EXPECT_GT(lzmsBlocks, 0u) << "libwim stored everything; the case tests nothing";

    Bytes out(data.size(), 0xCC);
    std::size_t produced = 12345;
    const lzms::Status status = lzms::decodeBuffer(buffer, out, produced);
    ASSERT_EQ(status, lzms::Status::Ok) << lzms::statusText(status);
    EXPECT_EQ(produced, data.size());
    EXPECT_TRUE(out == data) << "first difference at byte "
                             << (std::mismatch(out.begin(), out.end(), data.begin()).first - out.begin());
}

// Levels: 1 (lowest), 50 (libwim's default) and 100 (its highest named level).
TEST(LzmsDifferential, DecodesLibwimOutputOfEveryShapeAtLevel1) {
    for (const Shape& shape : shapes()) {
        SCOPED_TRACE(shape.name);
        expectRoundTrip(shape, 1);
    }
}

TEST(LzmsDifferential, DecodesLibwimOutputOfEveryShapeAtDefaultLevel) {
    for (const Shape& shape : shapes()) {
        SCOPED_TRACE(shape.name);
        expectRoundTrip(shape, 50);
    }
}

TEST(LzmsDifferential, DecodesLibwimOutputOfEveryShapeAtHighestLevel) {
    for (const Shape& shape : shapes()) {
        SCOPED_TRACE(shape.name);
        expectRoundTrip(shape, 100);
    }
}

TEST(LzmsDifferential, DecodesAnLzmsPayloadLongerThanItsOutput) {
    // Encoders store such blocks, but a payload longer than its data is still
    // an LZMS payload when its length differs from the output's.
    const Bytes data = lzms_test::incompressible(70000, 4);
    const Bytes raw = lzms_test::compressRawBlock(data, 50);
    ASSERT_GT(raw.size(), data.size());
    const Bytes buffer = lzms::writeSingleBlockBuffer(std::uint32_t(data.size()), {raw, false});
    Bytes out(data.size());
    std::size_t produced = 0;
    ASSERT_EQ(lzms::decodeBuffer(buffer, out, produced), lzms::Status::Ok);
    EXPECT_TRUE(out == data);
}

TEST(LzmsDifferential, OneDecoderServesManyBuffersWithoutCarryingState) {
    // Reusing the working tables must not leak probabilities, codes or the x86
    // filter's history from one buffer into the next.
    lzms::Decoder decoder;
    for (std::uint32_t seed = 0; seed < 6; ++seed) {
        const Bytes data = seed % 2 ? lzms_test::x86Code(70000, seed) : lzms_test::mixed(90000, seed);
        const Bytes buffer = lzms_test::compressToBuffer(data, 32768, 50);
        Bytes out(data.size());
        std::size_t produced = 0;
        ASSERT_EQ(decoder.decodeBuffer(buffer, out, produced), lzms::Status::Ok) << seed;
        EXPECT_TRUE(out == data) << seed;
    }
}

}  // namespace
