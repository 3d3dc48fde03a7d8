// The two readers of one raw LZMS block. The block is a run of 16-bit
// little-endian words: the range decoder takes words from the front upwards,
// the bit reader from the back downwards (bit 15 of each word first). Both
// supply zeros once their end is reached, as the format requires, and
// neither ever reads outside the block.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__GNUC__)
#define LZMS_INLINE inline __attribute__((always_inline))
#define LZMS_NOINLINE __attribute__((noinline))
#define LZMS_LIKELY(x) __builtin_expect(!!(x), 1)
#define LZMS_UNLIKELY(x) __builtin_expect(!!(x), 0)
#else
#define LZMS_INLINE inline
#define LZMS_NOINLINE
#define LZMS_LIKELY(x) (x)
#define LZMS_UNLIKELY(x) (x)
#endif

namespace lzms {

LZMS_INLINE std::uint16_t loadU16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

LZMS_INLINE std::uint64_t loadU64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// One adaptive binary probability: the last 64 bits coded with it (newest in
// bit 0) and how many of them are zeros. Starts as 32 zeros then 0,1 × 16.
struct Probability {
    std::uint64_t history = 0x0000000055555555ull;
    std::uint32_t zeros = 48;
};

// Zero count → probability of a 0 bit in 64ths, kept inside 1 ... 63 so that
// neither outcome ever gets an empty range.
inline constexpr std::uint8_t kClampedProbability[65] = {
    1,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
    22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
    44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 63};
static_assert(kClampedProbability[64] == 63 && kClampedProbability[47] == 47);

// Forward reader: a 32-bit range decoder without carries.
struct RangeDecoder {
    std::uint32_t range = 0xFFFFFFFFu;
    std::uint32_t code = 0;
    const std::uint8_t* next = nullptr;
    const std::uint8_t* end = nullptr;

    // The block holds at least two words.
    LZMS_INLINE void start(const std::uint8_t* begin, const std::uint8_t* blockEnd) {
        range = 0xFFFFFFFFu;
        code = std::uint32_t(loadU16(begin)) << 16 | loadU16(begin + 2);
        next = begin + 4;
        end = blockEnd;
    }

    LZMS_INLINE unsigned decodeBit(Probability& p) {
        // After any bit the range is at least 2^10, so one 16-bit shift always
        // brings it back above 2^16.
        if (range < 0x10000u) {
            std::uint32_t word = 0;
            if (LZMS_LIKELY(next < end)) {
                word = loadU16(next);
                next += 2;
            }
            range <<= 16;
            code = code << 16 | word;
        }
        const std::uint32_t bound = (range >> 6) * kClampedProbability[p.zeros];
        const unsigned bit = code >= bound;
        if (bit) {
            range -= bound;
            code -= bound;
        } else {
            range = bound;
        }
        p.zeros += std::uint32_t(p.history >> 63) - bit;
        p.history = p.history << 1 | bit;
        return bit;
    }
};

// A decision class: N probabilities selected by the class's own last
// log2(N) decisions.
template <unsigned N>
struct DecisionClass {
    static_assert((N & (N - 1)) == 0, "the state is a bit mask");
    Probability entries[N];

    void reset() {
        for (Probability& p : entries) p = Probability{};
    }
};

template <unsigned N>
LZMS_INLINE unsigned decide(RangeDecoder& rd, DecisionClass<N>& cls, unsigned& state) {
    const unsigned bit = rd.decodeBit(cls.entries[state]);
    state = ((state << 1) | bit) & (N - 1);
    return bit;
}

// Backward reader: a 64-bit buffer whose top `count` bits are the next bits of
// the stream. Below them it holds only zeros or the true continuation of the
// stream, so topping up may OR in bits it already holds.
struct BackwardBits {
    std::uint64_t buffer = 0;
    unsigned count = 0;
    const std::uint8_t* begin = nullptr;
    const std::uint8_t* next = nullptr;  // one past the next word to read

    // Every top-up leaves at least this many bits: enough for a 15-bit
    // codeword and the 30-bit extra field after it.
    static constexpr unsigned kGuaranteed = 48;

    LZMS_INLINE void start(const std::uint8_t* blockBegin, const std::uint8_t* blockEnd) {
        buffer = 0;
        count = 0;
        begin = blockBegin;
        next = blockEnd;
        topUp();
    }

    // Adds as many whole words as fit, without asking whether any are needed.
    LZMS_INLINE void topUp() {
        if (LZMS_LIKELY(next - begin >= 8)) {
            buffer |= loadU64(next - 8) >> count;
            const unsigned words = (63 - count) >> 4;
            next -= 2 * words;
            count += 16 * words;
            return;
        }
        topUpNearStart();
    }

    // The last three words: one at a time, then zeros for ever.
    void topUpNearStart() {
        while (count < kGuaranteed) {
            std::uint64_t word = 0;
            if (next > begin) {
                next -= 2;
                word = loadU16(next);
            }
            buffer |= word << (48 - count);
            count += 16;
        }
    }

    LZMS_INLINE void consume(unsigned n) {
        buffer <<= n;
        count -= n;
    }

    // The next n (0 ... 30) bits, first bit most significant.
    LZMS_INLINE std::uint32_t take(unsigned n) {
        const auto value = std::uint32_t((buffer >> 1) >> (63 - n));
        consume(n);
        return value;
    }
};

}  // namespace lzms
