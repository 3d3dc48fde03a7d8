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

// Two calls to one target make a "hit" whose last operand byte is at
// kHitEnd; the opcode under test follows `distance` bytes after that, with
// zeros (no opcode) in between and 16 bytes of zeros after its operand.
constexpr std::uint32_t kHitEnd = 10;
constexpr std::uint32_t kOperand = 0x12345678;

struct WindowCase {
    const char* name;
    Bytes opcode;
    std::uint32_t distance;
    bool translated;
};

Bytes operandBytes(std::uint32_t value) {
    return {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16), std::uint8_t(value >> 24)};
}

Bytes blockAfterHit(const WindowCase& c, std::uint32_t operand) {
    Bytes block = {0x90, 0xE8, 0x00, 0x01, 0x00, 0x00, 0xE8, 0xFB, 0x00, 0x00, 0x00};  // targets 1 + 0x100 = 6 + 0xFB
    block.resize(kHitEnd + c.distance, 0x00);
    block.insert(block.end(), c.opcode.begin(), c.opcode.end());
    const Bytes value = operandBytes(operand);
    block.insert(block.end(), value.begin(), value.end());
    block.resize(block.size() + 16, 0x00);
    return block;
}

TEST(LzmsX86Filter, TranslatesAnOperandOnlyWithinItsWindowAfterAHit) {
    const WindowCase cases[] = {
        {"call at 511", {0xE8}, 511, true},
        {"call at 512", {0xE8}, 512, false},
        {"call [rip+x] at 1023", {0xFF, 0x15}, 1023, true},
        {"call [rip+x] at 1024", {0xFF, 0x15}, 1024, false},
        {"lea rax, [rip+x] at 1023", {0x48, 0x8D, 0x05}, 1023, true},
        {"lea rax, [rip+x] at 1024", {0x48, 0x8D, 0x05}, 1024, false},
    };
    for (lzms::X86Scan scan : {lzms::X86Scan::Scalar, lzms::X86Scan::Sse2, lzms::X86Scan::Avx2}) {
        if (!lzms::X86Filter::available(scan)) continue;
        for (const WindowCase& c : cases) {
            const std::uint32_t position = kHitEnd + c.distance;
            const std::uint32_t restored = c.translated ? kOperand - position : kOperand;
            EXPECT_EQ(undone(blockAfterHit(c, kOperand), scan), blockAfterHit(c, restored))
                << c.name << ", scan " << int(scan);
        }
    }
}

}  // namespace
