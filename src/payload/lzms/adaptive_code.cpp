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

// Places the symbols 0 ... n-1 in `order` by key, equal keys in symbol order
// (a counting sort; keys at most maxKey <= kKeyLimit), and sets first[k]
// to the place where key k starts, for k = 0 ... maxKey + 1. The two halves of
// the alphabet are counted and placed side by side, each with its own
// counters: most symbols share a few keys, and a counter bumped by every
// symbol in turn makes each bump wait for the one before.
template <unsigned kKeyLimit, typename Key>
void sortByKey(const Key* key, unsigned n, unsigned maxKey, std::uint16_t* order, std::uint16_t* first) {
    std::uint16_t low[kKeyLimit + 1], high[kKeyLimit + 1];
    std::fill_n(low, maxKey + 1, 0);
    std::fill_n(high, maxKey + 1, 0);
    const unsigned half = n / 2;
    for (unsigned s = 0; s < half; ++s) {
        ++low[key[s]];
        ++high[key[half + s]];
    }
    if (n % 2) ++high[key[n - 1]];
    // Counts become next places; within a key the low half goes first.
    unsigned position = 0;
    for (unsigned k = 0; k <= maxKey; ++k) {
        const unsigned lowCount = low[k], highCount = high[k];
        first[k] = low[k] = std::uint16_t(position);
        high[k] = std::uint16_t(position + lowCount);
        position += lowCount + highCount;
    }
    first[maxKey + 1] = std::uint16_t(position);
    for (unsigned s = 0; s < half; ++s) {
        order[low[key[s]]++] = std::uint16_t(s);
        order[high[key[half + s]]++] = std::uint16_t(half + s);
    }
    if (n % 2) order[high[key[n - 1]]] = std::uint16_t(n - 1);
}

// Sorts symbols by (frequency, symbol): the frequencies are small, and a
// comparison sort here costs a third of the throughput.
bool sortByFrequency(const std::uint16_t* freq, unsigned n, std::uint16_t* order) {
    std::uint32_t maxFrequency = 0;
    for (unsigned s = 0; s < n; ++s) maxFrequency = std::max<std::uint32_t>(maxFrequency, freq[s]);
    if (maxFrequency > kMaxFrequency) return false;
    std::uint16_t first[kMaxFrequency + 2];
    sortByKey<kMaxFrequency>(freq, n, maxFrequency, order, first);
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

    unsigned leaf = 0, node = 0, created = 0;
    while (created < n - 1) {
        // Fronts of equal weight merge pairwise in their order, leaves first:
        // every node made of two of them is heavier than the rest of them.
        // Offset codes hold hundreds of rarely used slots at a few low weights.
        const std::uint32_t weight = std::min(leafWeight[leaf], nodeWeight[node]);
        unsigned leaves = 0, nodes = 0;
        while (leafWeight[leaf + leaves] == weight) ++leaves;
        while (nodeWeight[node + nodes] == weight) ++nodes;
        const unsigned pairs = (leaves + nodes) / 2;
        if (pairs >= 2) {
            const unsigned leavesTaken = std::min(leaves, 2 * pairs);
            for (unsigned i = 0; i < leavesTaken; ++i) leafParent[leaf + i] = std::uint16_t(created + i / 2);
            for (unsigned i = leavesTaken; i < 2 * pairs; ++i)
                nodeParent[node + i - leavesTaken] = std::uint16_t(created + i / 2);
            for (unsigned k = 0; k < pairs; ++k) nodeWeight[created + k] = 2 * weight;
            leaf += leavesTaken;
            node += 2 * pairs - leavesTaken;
            created += pairs;
            nodeWeight[created] = nodeWeight[created + 1] = kSentinel;
            continue;
        }
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
        nodeWeight[++created] = kSentinel;
    }

    // Parents are created after their children, so depths fill top down.
    // Depths can exceed 255 only for codes far beyond 15 bits; saturate them.
    std::uint16_t nodeDepth[kMaxSymbols];
    const unsigned root = n - 2;
    nodeDepth[root] = 0;
    for (unsigned k = root; k-- > 0;) nodeDepth[k] = std::uint16_t(nodeDepth[nodeParent[k]] + 1);
    for (unsigned i = 0; i < n; ++i) lengths[order[i]] = std::uint8_t(std::min<unsigned>(nodeDepth[leafParent[i]] + 1, 255));
}

// Writes `span` (a power of two) copies of a root entry.
inline void fillRoot(std::uint16_t* at, unsigned span, std::uint16_t entry) {
    if (span < 4) {
        for (unsigned k = 0; k < span; ++k) at[k] = entry;
        return;
    }
    const std::uint64_t four = std::uint64_t(entry) * 0x0001000100010001ull;
    if (span == 4) {
        std::memcpy(at, &four, sizeof four);
        return;
    }
    const std::uint64_t eight[2] = {four, four};
    for (unsigned k = 0; k < span; k += 8) std::memcpy(at + k, eight, sizeof eight);
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
    if (*std::max_element(lengths, lengths + n) > kMaxCodewordLength) return false;

    // Canonical order: by length, then symbol.
    std::uint16_t first[kMaxCodewordLength + 2];
    sortByKey<kMaxCodewordLength>(lengths, n, kMaxCodewordLength, code.sortedSymbols, first);
    std::uint32_t firstCode = 0;
    for (unsigned len = 1; len <= kMaxCodewordLength; ++len) {
        const auto count = std::uint16_t(first[len + 1] - first[len]);
        code.firstCode[len] = firstCode;
        code.lengthCount[len] = count;
        code.lengthStart[len] = first[len];
        firstCode = (firstCode + count) << 1;
    }

    // Left-justified canonical codewords are consecutive, so the root table
    // fills front to back; what is left belongs to longer codewords.
    std::uint16_t* at = code.root;
    for (unsigned len = 1; len <= code.rootBits; ++len) {
        const unsigned span = 1u << (code.rootBits - len);
        const std::uint16_t* symbol = code.sortedSymbols + code.lengthStart[len];
        for (unsigned k = 0; k < code.lengthCount[len]; ++k, at += span)
            fillRoot(at, span, std::uint16_t(symbol[k] << 4 | len));
    }
    std::fill(at, code.root + (1u << code.rootBits), std::uint16_t(0));
    return true;
}

}  // namespace lzms
