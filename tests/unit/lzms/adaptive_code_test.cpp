// The Huffman construction must be LZMS's exact one, tie rules included: any
// other optimal code desynchronises the decoder at its first rebuild.
#include "payload/lzms/adaptive_code.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> lengthsFor(const std::vector<std::uint16_t>& frequencies) {
    std::vector<std::uint8_t> lengths(frequencies.size());
    EXPECT_TRUE(lzms::computeCodewordLengths(frequencies.data(), unsigned(frequencies.size()), lengths.data()));
    return {lengths.begin(), lengths.end()};
}

// Whether a code can be built from the frequencies: it cannot when a
// codeword would be longer than 15 bits.
bool buildsFrom(const std::vector<std::uint16_t>& frequencies) {
    constexpr unsigned kRootBits = 8;
    const auto symbols = unsigned(frequencies.size());
    std::vector<std::uint16_t> root(1u << kRootBits), sortedSymbols(symbols), lengthCount(lzms::kMaxCodewordLength + 1),
        lengthStart(lzms::kMaxCodewordLength + 1);
    std::vector<std::uint32_t> firstCode(lzms::kMaxCodewordLength + 1);
    return lzms::buildCode({frequencies.data(), symbols, kRootBits, root.data(), sortedSymbols.data(), firstCode.data(),
                            lengthCount.data(), lengthStart.data()});
}

struct LengthCase {
    const char* rule;
    std::vector<std::uint16_t> frequencies;
    std::vector<int> lengths;
    bool builds = true;
};

TEST(LzmsAdaptiveCode, CodewordLengthsFollowTheTieRules) {
    const LengthCase cases[] = {
        // Leaf 2 vs merged node 2: the leaf goes first, giving a flat code, not 1-2-3-3.
        {"leaf wins a tie with an internal node", {1, 1, 2, 2}, {2, 2, 2, 2}},
        {"leaf wins a tie, symbols reordered", {2, 1, 2, 1}, {2, 2, 2, 2}},
        // Equal frequencies: the lower symbol is taken first and ends up deeper.
        {"lower symbol longer among equals", {1, 1, 1, 1, 1}, {3, 3, 2, 2, 2}},
        {"lower symbol longer, three symbols", {5, 5, 5}, {2, 2, 1}},
        {"frequency order beats symbol order", {9, 1, 1, 1, 1}, {1, 3, 3, 3, 3}},
        {"skewed", {1, 2, 4, 8, 16}, {4, 4, 3, 2, 1}},
        // Fibonacci frequencies give the deepest tree: n symbols, n - 1 bits.
        {"longest codeword 15 bits, the most a code may have",
         {1, 1, 2, 3, 5, 8, 13, 21, 34, 55, 89, 144, 233, 377, 610, 987},
         {15, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}},
        {"longest codeword 16 bits, refused",
         {1, 1, 2, 3, 5, 8, 13, 21, 34, 55, 89, 144, 233, 377, 610, 987, 1597},
         {16, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, false},
    };
    for (const LengthCase& c : cases) {
        EXPECT_EQ(lengthsFor(c.frequencies), c.lengths) << c.rule;
        EXPECT_EQ(buildsFrom(c.frequencies), c.builds) << c.rule;
    }
}

struct InitialCase {
    unsigned symbols;
    unsigned longSymbols;  // how many of the lowest symbols get the longer length
    int shortLength;
};

TEST(LzmsAdaptiveCode, InitialCodesAreBalancedWithLowSymbolsLonger) {
    const InitialCase cases[] = {
        {256, 0, 8},   // literals: every byte 8 bits
        {8, 0, 3},     // delta power
        {54, 44, 5},   // lengths: 0-43 six bits, 44-53 five
        {20, 8, 4},    // offsets of a 64-byte block: 0-7 five bits, 8-19 four
        {729, 434, 9}, // offsets of a 64 MiB block
    };
    for (const InitialCase& c : cases) {
        std::vector<int> expected(c.symbols, c.shortLength);
        for (unsigned s = 0; s < c.longSymbols; ++s) expected[s] = c.shortLength + 1;
        EXPECT_EQ(lengthsFor(std::vector<std::uint16_t>(c.symbols, 1)), expected) << c.symbols << " symbols";
    }
}

}  // namespace
