// Raw LZMS blocks: the item grammar, the repeat queues and match copying.
//
// Each item starts with range-coded decisions (forward reader) and takes its
// Huffman symbols and verbatim bits from the backward reader:
//
//   literal             main=0                          literal
//   LZ, explicit        main=1 match=0 lz=0             offset slot, extra, length slot, extra
//   LZ, repeat i        main=1 match=0 lz=1 rep…        length slot, extra
//   delta, explicit     main=1 match=1 delta=0          power, offset slot, extra, length slot, extra
//   delta, repeat i     main=1 match=1 delta=1 rep…     length slot, extra
//
// Repeat queues hold four entries of which three are addressable. A match
// goes to the front at once, but only becomes addressable one item later:
// directly after an LZ match, repeat index i means queue entry i + 1 (the
// same holds for delta after delta). The fourth entry exists for that shift.
//
// A delta match with power k, raw offset r and length L derives each byte
// from three earlier ones: out[p] = out[p − r·2^k] + out[p − 2^k] −
// out[p − r·2^k − 2^k], for arrays of 2^k-byte values that change linearly.
#include "payload/lzms/block_decoder.h"

#include <algorithm>
#include <cstring>

namespace lzms {
namespace {

enum class Item : std::uint8_t { Literal, Lz, Delta };

constexpr unsigned kQueueLength = 4;

// slots::kOffsetSlotTable, zero in the file and filled at start-up: 6.4 KB
// the installer need not carry. The runs are reached through a volatile
// pointer so that the compiler cannot build the table at compile time and
// store it after all.
slots::OffsetSlotTable offsetSlotTable;
[[maybe_unused]] const bool offsetSlotTableBuilt = [] {
    const auto* volatile runs = &slots::kOffsetRuns;
    offsetSlotTable = slots::buildSlots<slots::kOffsetSlots>(*runs);
    return true;
}();

// A delta queue entry: raw offset in the low 32 bits, power above.
using DeltaPair = std::uint64_t;
constexpr DeltaPair deltaPair(std::uint32_t power, std::uint32_t rawOffset) {
    return DeltaPair(power) << 32 | rawOffset;
}

template <typename T>
LZMS_INLINE void pushFront(T (&queue)[kQueueLength], T value) {
    queue[3] = queue[2];
    queue[2] = queue[1];
    queue[1] = queue[0];
    queue[0] = value;
}

// Moves entry j (0 ... 3) to the front; the ones before it shift back by one.
template <typename T>
LZMS_INLINE T moveToFront(T (&queue)[kQueueLength], unsigned j) {
    const T value = queue[j];
    const T q0 = queue[0], q1 = queue[1], q2 = queue[2];
    queue[3] = j >= 3 ? q2 : queue[3];
    queue[2] = j >= 2 ? q1 : q2;
    queue[1] = j >= 1 ? q0 : q1;
    queue[0] = value;
    return value;
}

template <typename Code>
LZMS_INLINE std::uint32_t decodeValue(Code& code, const slots::Slot* table, BackwardBits& bits) {
    const slots::Slot& slot = table[code.decode(bits)];
    return slot.base + bits.take(slot.extraBits);
}

// Copies an LZ match one byte after the other in effect, so that an offset
// shorter than the length repeats the pattern. `room` is how many bytes may
// be written from dst on (at least length): spare room allows wide copies.
LZMS_INLINE void copyMatch(std::uint8_t* dst, std::uint32_t offset, std::uint32_t length, std::size_t room) {
    const std::uint8_t* src = dst - offset;
    std::uint8_t* const end = dst + length;
    if (offset >= 16 && room - length >= 16 && room >= 32) {
        std::memcpy(dst, src, 16);
        std::memcpy(dst + 16, src + 16, 16);
        if (LZMS_LIKELY(length <= 32)) return;
        dst += 32;
        src += 32;
        do {
            std::memcpy(dst, src, 16);
            dst += 16;
            src += 16;
        } while (dst < end);
        return;
    }
    if (offset >= 8 && room - length >= 8) {
        do {
            std::memcpy(dst, src, 8);
            dst += 8;
            src += 8;
        } while (dst < end);
        return;
    }
    if (offset == 1) {
        std::memset(dst, *src, length);
        return;
    }
    while (dst < end) *dst++ = *src++;
}

// A match from far back: its source is seldom in any cache. The copy waits
// until the next such match, or until a later copy reads what it writes; its
// source is prefetched at once, so that the miss overlaps the decoding in
// between. Waiting copies write exactly their bytes, no more: what follows
// them may be written already.
constexpr std::uint32_t kFarOffset = 262144;

struct WaitingCopy {
    std::uint32_t pos = 0;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;  // 0: none

    LZMS_INLINE bool overlaps(std::uint32_t begin, std::uint32_t count) const {
        return begin < pos + length && pos < begin + count;
    }
};

// offset ≥ 16: each group of 16 reads only bytes written before it.
LZMS_NOINLINE void copyWaiting(std::uint8_t* out, WaitingCopy& copy) {
    std::uint8_t* const dst = out + copy.pos;
    const std::uint8_t* const src = dst - copy.offset;
    const std::uint32_t length = copy.length;
    copy.length = 0;
    if (length < 16) {
        std::memcpy(dst, src, length);
        return;
    }
    for (std::uint32_t t = 0; t + 16 <= length; t += 16) std::memcpy(dst + t, src + t, 16);
    std::memcpy(dst + length - 16, src + length - 16, 16);
}

// Each group of up to min(span, 16) bytes reads only bytes written before
// the group, so a group is computed at once.
LZMS_INLINE void copyDelta(std::uint8_t* dst, std::size_t offset, std::size_t span, std::uint32_t length) {
    const std::uint8_t* matched = dst - offset;
    const std::uint8_t* previous = dst - span;
    const std::uint8_t* matchedPrevious = dst - offset - span;
    const std::size_t group = std::min<std::size_t>(span, 16);
    std::size_t t = 0;
    for (; t + group <= length; t += group)
        for (std::size_t k = 0; k < group; ++k)
            dst[t + k] = std::uint8_t(matched[t + k] + previous[t + k] - matchedPrevious[t + k]);
    for (; t < length; ++t) dst[t] = std::uint8_t(matched[t] + previous[t] - matchedPrevious[t]);
}

}  // namespace

bool BlockDecoder::resetForBlock(std::uint32_t size) {
    mainClass.reset();
    matchClass.reset();
    lzClass.reset();
    lzRepClass[0].reset();
    lzRepClass[1].reset();
    deltaClass.reset();
    deltaRepClass[0].reset();
    deltaRepClass[1].reset();
    const std::uint32_t offsetSlots = slots::offsetSlotCount(size, offsetSlotTable);
    return literalCode.reset(kLiterals, kLiteralPeriod) && lzOffsetCode.reset(offsetSlots, kOffsetPeriod) &&
           lengthCode.reset(slots::kLengthSlots, kLengthPeriod) && deltaOffsetCode.reset(offsetSlots, kOffsetPeriod) &&
           powerCode.reset(kPowers, kPowerPeriod);
}

bool BlockDecoder::codesIntact() const {
    return literalCode.intact() && lzOffsetCode.intact() && lengthCode.intact() && deltaOffsetCode.intact() &&
           powerCode.intact();
}

// One function on purpose: the readers, the states and the queues then live in
// registers across the whole loop, which is where decoding time goes.
bool BlockDecoder::decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> output) {
    // Two words for the range decoder's start; at least 3 bytes of output, so
    // that every offset alphabet has two symbols or more.
    if (in.size() < 4 || in.size() % 2 != 0) return false;
    if (output.size() < 3 || output.size() > (std::size_t(1) << 26)) return false;
    const auto size = std::uint32_t(output.size());
    if (!resetForBlock(size)) return false;

    RangeDecoder rd;
    rd.start(in.data(), in.data() + in.size());
    BackwardBits bits;
    bits.start(in.data(), in.data() + in.size());

    unsigned mainState = 0, matchState = 0, lzState = 0, lzRepState[2] = {0, 0};
    unsigned deltaState = 0, deltaRepState[2] = {0, 0};
    std::uint32_t lzQueue[kQueueLength] = {1, 2, 3, 4};
    DeltaPair deltaQueue[kQueueLength] = {deltaPair(0, 1), deltaPair(0, 2), deltaPair(0, 3), deltaPair(0, 4)};
    Item previous = Item::Literal;
    std::uint8_t* const out = output.data();
    std::uint32_t pos = 0;
    WaitingCopy waiting;

    while (pos < size) {
        bits.topUp();
        if (!decide(rd, mainClass, mainState)) {
            out[pos++] = std::uint8_t(literalCode.decode(bits));
            previous = Item::Literal;
            continue;
        }

        if (!decide(rd, matchClass, matchState)) {
            std::uint32_t offset;
            if (!decide(rd, lzClass, lzState)) {
                offset = decodeValue(lzOffsetCode, offsetSlotTable.data(), bits);
                pushFront(lzQueue, offset);
            } else {
                unsigned index = 0;
                if (decide(rd, lzRepClass[0], lzRepState[0])) index = 1 + decide(rd, lzRepClass[1], lzRepState[1]);
                offset = moveToFront(lzQueue, index + (previous == Item::Lz));
            }
            bits.topUp();
            const std::uint32_t length = decodeValue(lengthCode, slots::kLengthSlotTable.data(), bits);
            // Does the match reach back before the block, or run past its end?
            if (offset > pos) return false;
            if (length > size - pos) return false;
            if (offset >= kFarOffset) {
                if (waiting.length) copyWaiting(out, waiting);
                __builtin_prefetch(out + pos - offset);
                waiting = {pos, offset, length};
            } else {
                if (waiting.length && waiting.overlaps(pos - offset, length)) copyWaiting(out, waiting);
                copyMatch(out + pos, offset, length, size - pos);
            }
            pos += length;
            previous = Item::Lz;
            continue;
        }

        if (waiting.length) copyWaiting(out, waiting);
        DeltaPair pair;
        if (!decide(rd, deltaClass, deltaState)) {
            const std::uint32_t power = powerCode.decode(bits);
            // Power (up to 7 bits), offset slot (15) and extra bits (30) can
            // need 52 bits, more than one top-up guarantees.
            bits.topUp();
            const std::uint32_t rawOffset = decodeValue(deltaOffsetCode, offsetSlotTable.data(), bits);
            pair = deltaPair(power, rawOffset);
            pushFront(deltaQueue, pair);
        } else {
            unsigned index = 0;
            if (decide(rd, deltaRepClass[0], deltaRepState[0])) index = 1 + decide(rd, deltaRepClass[1], deltaRepState[1]);
            pair = moveToFront(deltaQueue, index + (previous == Item::Delta));
        }
        bits.topUp();
        const std::uint32_t length = decodeValue(lengthCode, slots::kLengthSlotTable.data(), bits);
        const std::uint64_t span = std::uint64_t(1) << (pair >> 32);
        const std::uint64_t offset = (pair & 0xFFFFFFFFu) << (pair >> 32);
        // Does the farthest source byte, offset + span back, lie before the block?
        if (offset + span > pos) return false;
        if (length > size - pos) return false;
        copyDelta(out + pos, std::size_t(offset), std::size_t(span), length);
        pos += length;
        previous = Item::Delta;
    }

    if (waiting.length) copyWaiting(out, waiting);
    if (!codesIntact()) return false;
    x86Filter.undo(out, size);
    return true;
}

}  // namespace lzms
