// CRC-32C (Castagnoli), two ways that give the same value:
//
// - the SSE4.2 instruction crc32, eight bytes at a time, on every x86-64
//   processor that has it (asked once through CPUID: the installer runs on
//   machines we do not choose, and executing it where it is missing would be
//   an illegal-instruction crash);
// - slicing-by-16 tables elsewhere: sixteen independent table lookups fold
//   sixteen bytes at a time into the CRC (16 KiB of tables, built once at
//   start-up rather than stored: the installer carries every stored byte).
//
// Either way one long input is cut into three lanes of equal length, folded
// side by side in one loop: each step of a CRC waits for the one before it
// (the instruction's latency is three cycles, a table step's is a chain of
// loads), so three independent chains keep the processor busy where one
// leaves it waiting. The three lane CRCs are then joined by shifting each past
// the bytes that follow it: the CRC register is linear, and running it over L
// zero bytes multiplies it by x^(8L) modulo the polynomial.
//
// Both keep the CRC inverted while they work (initial value and final XOR
// 0xFFFFFFFF), so a CRC can be continued across calls. The register is in
// reflected bit order throughout: bit 31 holds the coefficient of x^0, bit 0
// that of x^31.
#include "payload/core/digest.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <nmmintrin.h>
#define TS_HAVE_X86_CRC32C 1
#endif

namespace digest {
namespace {

constexpr std::uint32_t kReflectedPolynomial = 0x82F63B78u;
constexpr std::size_t kSlices = 16;
constexpr std::size_t kByteValues = 256;
constexpr std::size_t kLanes = 3;
// Below this many bytes a lane is not worth the join (about 2,000 shifts
// and XORs); the installer's images are megabytes.
constexpr std::size_t kMinLaneBytes = 1024;

// Table k, byte b → the CRC contribution of b followed by k zero bytes.
using SliceTables = std::array<std::array<std::uint32_t, kByteValues>, kSlices>;

constexpr SliceTables makeSliceTables(std::uint32_t polynomial = kReflectedPolynomial) {
    SliceTables tables{};
    for (std::uint32_t b = 0; b < kByteValues; ++b) {
        std::uint32_t crc = b;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (polynomial & (0u - (crc & 1u)));
        tables[0][b] = crc;
    }
    for (std::size_t k = 1; k < kSlices; ++k) {
        for (std::size_t b = 0; b < kByteValues; ++b) {
            const std::uint32_t previous = tables[k - 1][b];
            tables[k][b] = (previous >> 8) ^ tables[0][previous & 0xFF];
        }
    }
    return tables;
}

static_assert(makeSliceTables()[0][1] == 0xF26B8303u, "CRC-32C table entry for byte 0x01");

// Zero in the file (uninitialised data takes no room in it) and filled at
// start-up; the polynomial is read through a volatile so that the compiler
// cannot work the tables out at compile time and store them after all.
SliceTables kTables;
[[maybe_unused]] const bool kTablesBuilt = [] {
    volatile std::uint32_t polynomial = kReflectedPolynomial;
    kTables = makeSliceTables(polynomial);
    return true;
}();

std::uint64_t loadU64(const std::uint8_t* p) {
    std::uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;  // little-endian: byte 0 in the low bits, as the tables expect
}

std::uint32_t updateBytewise(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) crc = (crc >> 8) ^ kTables[0][(crc ^ p[i]) & 0xFF];
    return crc;
}

// Folds the eight bytes of `word` through tables first, first - 1, ...,
// first - 7: in a 16-byte group table 15 takes the first byte (followed by
// the most bytes), table 0 the last. Spelled out rather than looped: not
// every compiler unrolls such a loop at -O2, and the loop costs a good part
// of the speed.
std::uint32_t foldWord(std::uint64_t word, std::size_t first) {
    return kTables[first][word & 0xFF] ^ kTables[first - 1][(word >> 8) & 0xFF] ^
           kTables[first - 2][(word >> 16) & 0xFF] ^ kTables[first - 3][(word >> 24) & 0xFF] ^
           kTables[first - 4][(word >> 32) & 0xFF] ^ kTables[first - 5][(word >> 40) & 0xFF] ^
           kTables[first - 6][(word >> 48) & 0xFF] ^ kTables[first - 7][word >> 56];
}

std::uint32_t stepSliced(std::uint32_t crc, const std::uint8_t* p) {
    static_assert(kSlices == 16, "two 64-bit words per step");
    return foldWord(loadU64(p) ^ crc, 15) ^ foldWord(loadU64(p + 8), 7);
}

// a × b modulo the polynomial, both in reflected order.
constexpr std::uint32_t multiplyModPolynomial(std::uint32_t a, std::uint32_t b) {
    constexpr std::uint32_t kOne = 0x80000000u;  // x^0
    std::uint32_t product = 0;
    for (std::uint32_t term = kOne; term != 0; term >>= 1) {
        if (a & term) product ^= b;
        b = (b >> 1) ^ (kReflectedPolynomial & (0u - (b & 1u)));  // b × x
    }
    return product;
}

// x^(8 × bytes) modulo the polynomial: the factor that runs a CRC register
// over that many zero bytes.
constexpr std::uint32_t zeroBytesFactor(std::uint64_t bytes) {
    std::uint32_t factor = 0x80000000u;  // x^0
    std::uint32_t square = 1u << (31 - 8);  // x^8, one byte
    for (; bytes != 0; bytes >>= 1) {
        if (bytes & 1) factor = multiplyModPolynomial(factor, square);
        square = multiplyModPolynomial(square, square);
    }
    return factor;
}
static_assert(multiplyModPolynomial(0xDEADBEEFu, zeroBytesFactor(1)) ==
                  ((0xDEADBEEFu >> 8) ^ makeSliceTables()[0][0xEF]),
              "one zero byte through the factor and through the table agree");

// The register over lanes a, b, c of `laneBytes` each, from the registers of
// the three lanes (b and c started from zero).
std::uint32_t joinLanes(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::size_t laneBytes) {
    const std::uint32_t pastOneLane = zeroBytesFactor(laneBytes);
    return multiplyModPolynomial(multiplyModPolynomial(a, pastOneLane) ^ b, pastOneLane) ^ c;
}

// Bytes per lane for n bytes, a whole number of `step`s; 0 when n is too short.
std::size_t laneLength(std::size_t n, std::size_t step) {
    const std::size_t lane = n / (kLanes * step) * step;
    return lane >= kMinLaneBytes ? lane : 0;
}

std::uint32_t updateSliced(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    if (const std::size_t lane = laneLength(n, kSlices)) {
        std::uint32_t a = crc, b = 0, c = 0;
        for (std::size_t i = 0; i < lane; i += kSlices) {
            a = stepSliced(a, p + i);
            b = stepSliced(b, p + lane + i);
            c = stepSliced(c, p + 2 * lane + i);
        }
        crc = joinLanes(a, b, c, lane);
        p += kLanes * lane;
        n -= kLanes * lane;
    }
    for (; n >= kSlices; n -= kSlices, p += kSlices) crc = stepSliced(crc, p);
    return updateBytewise(crc, p, n);
}

#ifdef TS_HAVE_X86_CRC32C
__attribute__((target("sse4.2"))) std::uint32_t updateWithInstruction(std::uint32_t crc, const std::uint8_t* p,
                                                                       std::size_t n) {
#if defined(__x86_64__)
    constexpr std::size_t kStep = 8;
    if (const std::size_t lane = laneLength(n, kStep)) {
        std::uint64_t a = crc, b = 0, c = 0;
        for (std::size_t i = 0; i < lane; i += kStep) {
            a = _mm_crc32_u64(a, loadU64(p + i));
            b = _mm_crc32_u64(b, loadU64(p + lane + i));
            c = _mm_crc32_u64(c, loadU64(p + 2 * lane + i));
        }
        crc = joinLanes(std::uint32_t(a), std::uint32_t(b), std::uint32_t(c), lane);
        p += kLanes * lane;
        n -= kLanes * lane;
    }
    std::uint64_t wide = crc;
    for (; n >= kStep; n -= kStep, p += kStep) wide = _mm_crc32_u64(wide, loadU64(p));
    crc = std::uint32_t(wide);
#endif
    for (; n > 0; --n, ++p) crc = _mm_crc32_u8(crc, *p);
    return crc;
}

bool cpuHasSse42() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
    return (ecx & bit_SSE4_2) != 0;
}
#endif

}  // namespace

bool hasCrc32cInstruction() {
#ifdef TS_HAVE_X86_CRC32C
    static const bool available = cpuHasSse42();
    return available;
#else
    return false;
#endif
}

std::uint32_t crc32cPortable(std::span<const std::uint8_t> bytes, std::uint32_t previous) {
    return ~updateSliced(~previous, bytes.data(), bytes.size());
}

std::uint32_t crc32cHardware(std::span<const std::uint8_t> bytes, std::uint32_t previous) {
#ifdef TS_HAVE_X86_CRC32C
    return ~updateWithInstruction(~previous, bytes.data(), bytes.size());
#else
    return crc32cPortable(bytes, previous);
#endif
}

std::uint32_t crc32c(std::span<const std::uint8_t> bytes, std::uint32_t previous) {
    return hasCrc32cInstruction() ? crc32cHardware(bytes, previous) : crc32cPortable(bytes, previous);
}

}  // namespace digest
