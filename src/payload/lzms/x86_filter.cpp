// The LZMS x86 post-filter (see x86_filter.h). Most bytes of any block are not
// one of the six lead bytes, so the scan skips ahead with SIMD compares of 64
// positions at a time (AVX2 when CPUID reports it, else SSE2, which every
// x86-64 CPU has), pre-filtered on the byte after the lead byte. Scanning
// byte by byte was the largest single cost of decoding executables.
#include "payload/lzms/x86_filter.h"

#include "payload/lzms/readers.h"

#include <algorithm>
#include <array>

#if defined(__x86_64__) && defined(__GNUC__)
#define LZMS_X86_SIMD 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace lzms {
namespace {

constexpr std::uint32_t kTrailingNonCandidates = 16;  // the last 16 bytes are never opcodes
constexpr std::int32_t kNoHit = -1024;
constexpr std::int32_t kNeverSeen = -65536;
constexpr std::int32_t kHitDistance = 65535;
constexpr std::int32_t kCallWindow = 511;
constexpr std::int32_t kRipWindow = 1023;
constexpr std::uint32_t kOperandSize = 4;
constexpr std::uint32_t kJmpSkip = 5;

struct Scan {
    std::uint8_t* data;
    std::int32_t* lastSeen;
    std::int32_t lastHit = kNoHit;
};

// Translates one operand at opcode position i with opcode length m and
// returns the position where scanning resumes.
LZMS_INLINE std::uint32_t translate(Scan& s, std::uint32_t i, std::uint32_t m, std::int32_t window) {
    std::uint8_t* operandBytes = s.data + i + m;
    std::uint32_t operand = std::uint32_t(operandBytes[0]) | std::uint32_t(operandBytes[1]) << 8 |
                            std::uint32_t(operandBytes[2]) << 16 | std::uint32_t(operandBytes[3]) << 24;
    if (std::int32_t(i) - s.lastHit <= window) {
        operand -= i;
        for (unsigned k = 0; k < kOperandSize; ++k) operandBytes[k] = std::uint8_t(operand >> (8 * k));
    }
    const std::uint32_t target = (i + (operand & 0xFFFF)) & 0xFFFF;
    const auto lastOperandByte = std::int32_t(i + m + kOperandSize - 1);
    if (lastOperandByte - s.lastSeen[target] <= kHitDistance) s.lastHit = lastOperandByte;
    s.lastSeen[target] = lastOperandByte;
    return i + m + kOperandSize;
}

// Examines position i exactly; returns the next position to examine.
LZMS_INLINE std::uint32_t examine(Scan& s, std::uint32_t i) {
    const std::uint8_t* p = s.data + i;
    switch (p[0]) {
    case 0xE8:
        return translate(s, i, 1, kCallWindow);
    case 0xE9:
        return i + kJmpSkip;
    case 0xFF:
        return p[1] == 0x15 ? translate(s, i, 2, kRipWindow) : i + 1;
    case 0xF0:
        return p[1] == 0x83 && p[2] == 0x05 ? translate(s, i, 3, kRipWindow) : i + 1;
    case 0x48:
    case 0x4C:
        if (p[1] == 0x8D && (p[2] & 7) == 5) return translate(s, i, 3, kRipWindow);
        if (p[0] == 0x48 && p[1] == 0x8B && (p[2] == 0x05 || p[2] == 0x0D)) return translate(s, i, 3, kRipWindow);
        return i + 1;
    default:
        return i + 1;
    }
}

// Byte → may start a candidate opcode.
constexpr auto kLeadByte = [] {
    std::array<bool, 256> table{};
    for (unsigned b : {0x48u, 0x4Cu, 0xE8u, 0xE9u, 0xF0u, 0xFFu}) table[b] = true;
    return table;
}();

void scanScalar(Scan& s, std::uint32_t from, std::uint32_t last) {
    for (std::uint32_t i = from; i <= last;) i = kLeadByte[s.data[i]] ? examine(s, i) : i + 1;
}

#if LZMS_X86_SIMD
// 16 positions from p → bit k set when p[k] may start a candidate, judged by
// p[k] and p[k + 1]. Reads p[0 ... 16].
LZMS_INLINE std::uint32_t candidateMask16(const std::uint8_t* p) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i n = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
    auto eq = [](__m128i v, int c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(char(c))); };
    __m128i hit = _mm_or_si128(eq(b, 0xE8), eq(b, 0xE9));
    hit = _mm_or_si128(hit, _mm_and_si128(eq(b, 0xFF), eq(n, 0x15)));
    hit = _mm_or_si128(hit, _mm_and_si128(eq(b, 0xF0), eq(n, 0x83)));
    // 48 or 4C, then 8B or 8D (89 and 8F slip through and are rejected exactly).
    const __m128i rex = eq(_mm_or_si128(b, _mm_set1_epi8(0x04)), 0x4C);
    const __m128i movLea = eq(_mm_or_si128(n, _mm_set1_epi8(0x06)), 0x8F);
    hit = _mm_or_si128(hit, _mm_and_si128(rex, movLea));
    return std::uint32_t(_mm_movemask_epi8(hit));
}

#define LZMS_AVX2 __attribute__((target("avx2")))

LZMS_AVX2 inline __m256i eq(__m256i v, int c) {
    return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(char(c)));
}

// The same test for 32 positions. Reads p[0 ... 32].
LZMS_AVX2 inline std::uint32_t candidateMask32(const std::uint8_t* p) {
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i n = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
    __m256i hit = _mm256_or_si256(eq(b, 0xE8), eq(b, 0xE9));
    hit = _mm256_or_si256(hit, _mm256_and_si256(eq(b, 0xFF), eq(n, 0x15)));
    hit = _mm256_or_si256(hit, _mm256_and_si256(eq(b, 0xF0), eq(n, 0x83)));
    const __m256i rex = eq(_mm256_or_si256(b, _mm256_set1_epi8(0x04)), 0x4C);
    const __m256i movLea = eq(_mm256_or_si256(n, _mm256_set1_epi8(0x06)), 0x8F);
    hit = _mm256_or_si256(hit, _mm256_and_si256(rex, movLea));
    return std::uint32_t(_mm256_movemask_epi8(hit));
}

// Skips 64 positions at a time while a group and its look-ahead byte lie
// inside the block, then finishes byte by byte. `mask64` tests p[0 ... 63]
// and may read p[64].
template <typename Mask64>
LZMS_INLINE void scanGroups(Scan& s, std::uint32_t size, std::uint32_t last, Mask64 mask64) {
    constexpr std::uint32_t kGroup = 64;
    std::uint32_t i = 1;
    while (size - i > kGroup) {
        const std::uint32_t groupStart = i;
        std::uint64_t mask = mask64(s.data + groupStart);
        // Translating writes only the operand, which lies before the position
        // where scanning resumes, so the group's remaining bits stay valid.
        while (mask != 0) {
            const std::uint32_t candidate = groupStart + std::uint32_t(__builtin_ctzll(mask));
            // Nothing before the candidate qualified, so nothing up to `last` is left.
            if (candidate > last) return;
            i = examine(s, candidate);
            if (i - groupStart >= kGroup) break;
            mask &= ~std::uint64_t(0) << (i - groupStart);
        }
        i = std::max(i, groupStart + kGroup);
    }
    scanScalar(s, i, last);
}

void scanSse2(Scan& s, std::uint32_t size, std::uint32_t last) {
    scanGroups(s, size, last, [](const std::uint8_t* p) {
        return std::uint64_t(candidateMask16(p)) | std::uint64_t(candidateMask16(p + 16)) << 16 |
               std::uint64_t(candidateMask16(p + 32)) << 32 | std::uint64_t(candidateMask16(p + 48)) << 48;
    });
}

LZMS_AVX2 void scanAvx2(Scan& s, std::uint32_t size, std::uint32_t last) {
    scanGroups(s, size, last, [](const std::uint8_t* p) LZMS_AVX2 {
        return std::uint64_t(candidateMask32(p)) | std::uint64_t(candidateMask32(p + 32)) << 32;
    });
}

// AVX2 is not part of the x86-64 baseline: the installer runs on any x86-64.
// Asked of CPUID itself, since __builtin_cpu_supports links libgcc's 5 KB
// processor table into the installer. The system must also save the YMM
// registers on a task switch: OSXSAVE set and XCR0 holding SSE and AVX state.
bool cpuHasAvx2() {
    static const bool has = [] {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
        if ((ecx & bit_OSXSAVE) == 0 || (ecx & bit_AVX) == 0) return false;
        unsigned xcr0 = 0, xcr0High = 0;
        __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
        constexpr unsigned kSseAndAvxState = 0x6;
        if ((xcr0 & kSseAndAvxState) != kSseAndAvxState) return false;
        if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) return false;
        return (ebx & bit_AVX2) != 0;
    }();
    return has;
}
#endif

}  // namespace

bool X86Filter::available(X86Scan scan) {
#if LZMS_X86_SIMD
    return scan != X86Scan::Avx2 || cpuHasAvx2();
#else
    return scan == X86Scan::Fastest || scan == X86Scan::Scalar;
#endif
}

void X86Filter::undo(std::uint8_t* block, std::uint32_t size, X86Scan how) {
    if (size <= kTrailingNonCandidates + 1) return;
    std::fill(std::begin(lastSeen_), std::end(lastSeen_), kNeverSeen);
    Scan scan{block, lastSeen_};
    const std::uint32_t last = size - kTrailingNonCandidates - 1;
#if LZMS_X86_SIMD
    if (how == X86Scan::Fastest) how = cpuHasAvx2() ? X86Scan::Avx2 : X86Scan::Sse2;
    if (how == X86Scan::Avx2 && cpuHasAvx2()) return scanAvx2(scan, size, last);
    if (how != X86Scan::Scalar) return scanSse2(scan, size, last);
#endif
    scanScalar(scan, 1, last);
}

}  // namespace lzms
