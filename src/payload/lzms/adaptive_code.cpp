// Building LZMS Huffman codes from symbol frequencies (see adaptive_code.h).
#include "payload/lzms/adaptive_code.h"

#include "payload/lzms/slots.h"

#include <algorithm>
#include <cstring>

namespace lzms {
namespace {

inline constexpr unsigned kMaxSymbols = slots::kOffsetSlots;

// Between rebuilds a code's frequencies sum to at most 2 · (symbols + period)
// = 2 · (799 + 1024), which bounds any single frequency and so the counting
// sort's buckets.
inline constexpr unsigned kMaxFrequency = 2 * (kMaxSymbols + 1024);

// Sorts symbols by (frequency, symbol) with a counting sort: the frequencies
// are small, and a comparison sort here costs a third of the throughput.
bool sortByFrequency(const std::uint16_t* freq, unsigned n, std::uint16_t* order) {
    std::uint32_t maxFrequency = 0;
    for (unsigned s = 0; s < n; ++s) maxFrequency = std::max<std::uint32_t>(maxFrequency, freq[s]);
    if (maxFrequency > kMaxFrequency) return false;
    std::uint16_t bucketStart[kMaxFrequency + 2];
    std::fill_n(bucketStart, maxFrequency + 2, 0);
    for (unsigned s = 0; s < n; ++s) ++bucketStart[freq[s] + 1];
    for (unsigned f = 1; f <= maxFrequency + 1; ++f) bucketStart[f] += bucketStart[f - 1];
    for (unsigned s = 0; s < n; ++s) order[bucketStart[freq[s]]++] = std::uint16_t(s);
    return true;
}

// Two-queue merge over the leaves in `order`; writes each symbol's depth.
//
// Each merge takes the two lightest fronts, a leaf winning a tie. Both picks
// are decided from the first two entries of each queue, loaded together, so
// that one merge costs one round of loads rather than two dependent ones.
// Sentinels heavier than any node end both queues, so neither needs an
// emptiness test; parent links are written for both candidates of each queue
// and a loser's link is overwritten when it is really taken.
void computeLengths(const std::uint16_t* freq, unsigned n, const std::uint16_t* order, std::uint8_t* lengths) {
    constexpr std::uint32_t kSentinel = 0xFFFFFFFFu;
    std::uint32_t leafWeight[kMaxSymbols + 2];
    std::uint32_t nodeWeight[kMaxSymbols + 2];
    std::uint16_t leafParent[kMaxSymbols + 2];
    std::uint16_t nodeParent[kMaxSymbols + 2];
    for (unsigned i = 0; i < n; ++i) leafWeight[i] = freq[order[i]];
    leafWeight[n] = leafWeight[n + 1] = kSentinel;
    nodeWeight[0] = nodeWeight[1] = kSentinel;

    // The lightest leaves pair among themselves while any of them is left: a
    // node made of two of them is heavier than each, and ties go to leaves.
    // Offset codes hold hundreds of rarely used slots at the lowest weight.
    unsigned lightest = 1;
    while (lightest < n && leafWeight[lightest] == leafWeight[0]) ++lightest;
    const unsigned pairs = lightest / 2;
    for (unsigned k = 0; k < pairs; ++k) {
        leafParent[2 * k] = leafParent[2 * k + 1] = std::uint16_t(k);
        nodeWeight[k] = 2 * leafWeight[0];
    }
    nodeWeight[pairs] = nodeWeight[pairs + 1] = kSentinel;

    unsigned leaf = 2 * pairs, node = 0;
    for (unsigned created = pairs; created < n - 1; ++created) {
        const std::uint32_t leaf0 = leafWeight[leaf], leaf1 = leafWeight[leaf + 1];
        const std::uint32_t node0 = nodeWeight[node], node1 = nodeWeight[node + 1];
        const bool firstIsLeaf = leaf0 <= node0;
        const std::uint32_t first = firstIsLeaf ? leaf0 : node0;
        const std::uint32_t nextLeaf = firstIsLeaf ? leaf1 : leaf0;
        const std::uint32_t nextNode = firstIsLeaf ? node0 : node1;
        const bool secondIsLeaf = nextLeaf <= nextNode;
        const std::uint32_t second = secondIsLeaf ? nextLeaf : nextNode;
        leafParent[leaf] = leafParent[leaf + 1] = std::uint16_t(created);
        nodeParent[node] = nodeParent[node + 1] = std::uint16_t(created);
        const unsigned leavesTaken = unsigned(firstIsLeaf) + unsigned(secondIsLeaf);
        leaf += leavesTaken;
        node += 2 - leavesTaken;
        nodeWeight[created] = first + second;
        nodeWeight[created + 1] = kSentinel;
    }

    // Parents are created after their children, so depths fill top down.
    // Depths can exceed 255 only for codes far beyond 15 bits; saturate them.
    std::uint16_t nodeDepth[kMaxSymbols];
    const unsigned root = n - 2;
    nodeDepth[root] = 0;
    for (unsigned k = root; k-- > 0;) nodeDepth[k] = std::uint16_t(nodeDepth[nodeParent[k]] + 1);
    for (unsigned i = 0; i < n; ++i) lengths[order[i]] = std::uint8_t(std::min<unsigned>(nodeDepth[leafParent[i]] + 1, 255));
}

// Writes `span` (a power of two) copies of a root entry; spans of four or
// more are 8-byte aligned because longer spans were written first.
inline void fillRoot(std::uint16_t* at, unsigned span, std::uint16_t entry) {
    if (span < 4) {
        for (unsigned k = 0; k < span; ++k) at[k] = entry;
        return;
    }
    const std::uint64_t four = std::uint64_t(entry) * 0x0001000100010001ull;
    for (unsigned k = 0; k < span; k += 4) std::memcpy(at + k, &four, sizeof four);
}

}  // namespace

bool computeCodewordLengths(const std::uint16_t* frequencies, unsigned n, std::uint8_t* lengths) {
    std::uint16_t order[kMaxSymbols];
    if (n < 2 || n > kMaxSymbols) return false;
    if (!sortByFrequency(frequencies, n, order)) return false;
    computeLengths(frequencies, n, order, lengths);
    return true;
}

bool buildCode(const CodeTablesView& code) {
    const unsigned n = code.symbolCount;
    std::uint8_t lengths[kMaxSymbols];
    if (!computeCodewordLengths(code.frequencies, n, lengths)) return false;

    std::uint16_t count[kMaxCodewordLength + 1] = {};
    for (unsigned s = 0; s < n; ++s) {
        if (lengths[s] > kMaxCodewordLength) return false;
        ++count[lengths[s]];
    }

    // Canonical order: by length, then symbol.
    std::uint16_t start[kMaxCodewordLength + 1];
    std::uint16_t next[kMaxCodewordLength + 1];
    unsigned position = 0;
    std::uint32_t firstCode = 0;
    for (unsigned len = 1; len <= kMaxCodewordLength; ++len) {
        start[len] = next[len] = std::uint16_t(position);
        position += count[len];
        code.firstCode[len] = firstCode;
        code.lengthCount[len] = count[len];
        code.lengthStart[len] = start[len];
        firstCode = (firstCode + count[len]) << 1;
    }
    for (unsigned s = 0; s < n; ++s) code.sortedSymbols[next[lengths[s]]++] = std::uint16_t(s);

    // Left-justified canonical codewords are consecutive, so the root table
    // fills front to back; what is left belongs to longer codewords.
    const unsigned rootSize = 1u << code.rootBits;
    unsigned filled = 0;
    for (unsigned i = 0; i < n; ++i) {
        const unsigned symbol = code.sortedSymbols[i];
        const unsigned len = lengths[symbol];
        if (len > code.rootBits) break;
        const unsigned span = 1u << (code.rootBits - len);
        fillRoot(code.root + filled, span, std::uint16_t(symbol << 4 | len));
        filled += span;
    }
    if (filled < rootSize) std::fill(code.root + filled, code.root + rootSize, std::uint16_t(0));
    return true;
}

}  // namespace lzms
