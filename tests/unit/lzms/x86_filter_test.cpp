// The x86 filter's SIMD scans skip bytes in groups; they must find exactly the
// opcodes the byte-by-byte scan finds, including next to group and block ends.
#include "lzms_test_support.h"

#include "payload/lzms/x86_filter.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

using lzms_test::Bytes;

Bytes undone(const Bytes& data, lzms::X86Scan scan) {
    auto filter = std::make_unique<lzms::X86Filter>();
    Bytes copy = data;
    filter->undo(copy.data(), std::uint32_t(copy.size()), scan);
    return copy;
}

// Code-like bytes with opcode lead bytes packed densely, so that candidates
// straddle every group boundary.
Bytes denseOpcodes(std::size_t size, std::uint32_t seed) {
    static const std::uint8_t kBytes[] = {0xE8, 0xE9, 0xFF, 0x15, 0xF0, 0x83, 0x05, 0x48, 0x4C, 0x8D, 0x8B, 0x0D, 0x00, 0x90};
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out) b = rng() % 3 ? kBytes[rng() % std::size(kBytes)] : std::uint8_t(rng());
    return out;
}

TEST(LzmsX86Filter, SimdScansMatchTheByteByByteScan) {
    const std::size_t sizes[] = {17, 18, 19, 33, 64, 65, 66, 81, 82, 97, 130, 1000, 4096, 70001};
    int compared = 0;
    for (lzms::X86Scan scan : {lzms::X86Scan::Sse2, lzms::X86Scan::Avx2, lzms::X86Scan::Fastest}) {
        if (!lzms::X86Filter::available(scan)) continue;
        for (std::size_t size : sizes) {
            for (std::uint32_t seed = 0; seed < 4; ++seed) {
                const Bytes dense = denseOpcodes(size, seed);
                ASSERT_EQ(undone(dense, scan), undone(dense, lzms::X86Scan::Scalar)) << "size " << size;
                const Bytes code = lzms_test::x86Code(size, seed);
                ASSERT_EQ(undone(code, scan), undone(code, lzms::X86Scan::Scalar)) << "size " << size;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 0);
}

}  // namespace
