// LZMS adaptive Huffman codes. Each code counts how often each symbol was
// decoded; every `period` symbols it builds a new code from the counts and
// then halves them as f → (f >> 1) + 1. The encoder does the same, so the
// construction must match it exactly, tie rules included:
//
//  * leaves ordered by (frequency, symbol), both ascending;
//  * merged with two FIFO queues (leaves, internal nodes), taking the lighter
//    front and, on equal weights, the leaf;
//  * codeword length = leaf depth; canonical codewords in (length, symbol)
//    order, matched first bit = most significant.
//
// Decoding uses a root table indexed by the next kRootBits bits; codewords
// longer than that (rare) are matched by canonical ranges, length by length.
#pragma once

#include "payload/lzms/readers.h"

#include <cstdint>

namespace lzms {

inline constexpr unsigned kMaxCodewordLength = 15;

// The tables one build fills; a view so that the builder is not a template.
struct CodeTablesView {
    const std::uint16_t* frequencies;
    unsigned symbolCount;
    unsigned rootBits;
    std::uint16_t* root;           // (symbol << 4) | length, or 0 for "longer than rootBits"
    std::uint16_t* sortedSymbols;  // canonical order
    std::uint32_t* firstCode;      // per length, [kMaxCodewordLength + 1]
    std::uint16_t* lengthCount;    // per length
    std::uint16_t* lengthStart;    // per length, index into sortedSymbols
};

// Codeword length of each of n (2 ... 799) symbols with frequencies ≥ 1, by
// the construction above. Lengths are not limited (capped at 255).
bool computeCodewordLengths(const std::uint16_t* frequencies, unsigned n, std::uint8_t* lengths);

// Builds the code for symbolCount ≥ 2 frequencies, each ≥ 1. Returns false,
// leaving the tables as they were, when a codeword would exceed 15 bits: no
// valid stream reaches that, and the format does not say how to shorten it.
bool buildCode(const CodeTablesView& code);

template <unsigned kMaxSymbols, unsigned kRootBits>
class AdaptiveCode {
    static_assert(kMaxSymbols < 4096 && kRootBits <= kMaxCodewordLength, "root entries pack symbol and length in 16 bits");

public:
    // Every symbol at frequency 1, and the code built from that (no halving).
    bool reset(unsigned symbolCount, unsigned period) {
        intact_ = true;
        symbolCount_ = symbolCount;
        period_ = period;
        countdown_ = period;
        for (unsigned s = 0; s < symbolCount; ++s) frequencies_[s] = 1;
        return symbolCount < 2 || buildCode(view());
    }

    // Decodes one symbol; the caller topped up `bits` for a 15-bit codeword.
    LZMS_INLINE unsigned decode(BackwardBits& bits) {
        unsigned entry = root_[bits.buffer >> (64 - kRootBits)];
        if (LZMS_UNLIKELY((entry & 15) == 0)) entry = decodeLong(bits.buffer);
        const unsigned symbol = entry >> 4;
        bits.consume(entry & 15);
        ++frequencies_[symbol];
        if (LZMS_UNLIKELY(--countdown_ == 0)) rebuild();
        return symbol;
    }

    // False once a rebuild failed or a codeword matched nothing; neither
    // happens with the complete codes that every successful build makes.
    bool intact() const { return intact_; }

private:
    CodeTablesView view() {
        return {frequencies_, symbolCount_, kRootBits, root_, sortedSymbols_, firstCode_, lengthCount_, lengthStart_};
    }

    // The new code first, from counts that include the symbol just decoded;
    // then the halving; then a fresh period.
    // Out of line: rare, and inlined it would crowd the decoding loop's registers.
    LZMS_NOINLINE void rebuild() {
        intact_ &= buildCode(view());
        for (unsigned s = 0; s < symbolCount_; ++s) frequencies_[s] = std::uint16_t((frequencies_[s] >> 1) + 1);
        countdown_ = period_;
    }

    // A codeword longer than the root table: canonical ranges, length by
    // length. Returns a root-style entry (symbol << 4 | length).
    LZMS_NOINLINE unsigned decodeLong(std::uint64_t buffer) {
        for (unsigned len = kRootBits + 1; len <= kMaxCodewordLength; ++len) {
            const auto index = std::uint32_t(buffer >> (64 - len)) - firstCode_[len];
            if (index < lengthCount_[len]) return unsigned(sortedSymbols_[lengthStart_[len] + index]) << 4 | len;
        }
        intact_ = false;
        return 0;
    }

    bool intact_ = true;
    unsigned symbolCount_ = 0;
    unsigned period_ = 0;
    unsigned countdown_ = 0;
    std::uint16_t frequencies_[kMaxSymbols] = {};
    alignas(8) std::uint16_t root_[1u << kRootBits] = {};
    std::uint16_t sortedSymbols_[kMaxSymbols] = {};
    std::uint32_t firstCode_[kMaxCodewordLength + 1] = {};
    std::uint16_t lengthCount_[kMaxCodewordLength + 1] = {};
    std::uint16_t lengthStart_[kMaxCodewordLength + 1] = {};
};

}  // namespace lzms
