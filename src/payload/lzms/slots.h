// LZMS slot tables: a Huffman symbol (a "slot") selects a base value, and the
// slot's count of verbatim extra bits selects the value within it. Both tables
// follow base[0] = 1, base[s + 1] = base[s] + 2^extra[s], so they are built
// here from their runs of equal extra-bit counts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace lzms::slots {

struct Run {
    std::uint16_t count;
    std::uint8_t extraBits;
};

inline constexpr std::size_t kOffsetSlots = 799;
inline constexpr std::size_t kLengthSlots = 54;

// Offset slot runs → extra bits (LZ offsets and raw delta offsets).
inline constexpr Run kOffsetRuns[] = {
    {8, 0},   {9, 2},   {7, 3},   {10, 4},  {15, 5},  {15, 6},  {20, 7},
    {20, 8},  {30, 9},  {33, 10}, {40, 11}, {42, 12}, {45, 13}, {60, 14},
    {73, 15}, {80, 16}, {85, 17}, {95, 18}, {105, 19}, {6, 20}, {1, 30},
};

// Length slot runs → extra bits.
inline constexpr Run kLengthRuns[] = {
    {26, 0}, {4, 1}, {6, 2}, {4, 3}, {5, 4}, {2, 5}, {1, 6},
    {1, 7},  {1, 8}, {1, 9}, {1, 10}, {1, 16}, {1, 30},
};

// A slot's base value and extra-bit count; entry N (one past the last slot)
// holds the first value the table cannot express.
struct Slot {
    std::uint32_t base;
    std::uint32_t extraBits;
};

template <std::size_t N, std::size_t R>
constexpr std::array<Slot, N + 1> buildSlots(const Run (&runs)[R]) {
    std::array<Slot, N + 1> table{};
    std::uint32_t base = 1;
    std::size_t slot = 0;
    for (const Run& run : runs) {
        for (std::uint16_t k = 0; k < run.count; ++k) {
            table[slot++] = {base, run.extraBits};
            base += std::uint32_t(1) << run.extraBits;
        }
    }
    table[slot] = {base, 0};
    return table;
}

// Offset slot → base and extra bits.
inline constexpr auto kOffsetSlotTable = buildSlots<kOffsetSlots>(kOffsetRuns);
// Length slot → base and extra bits.
inline constexpr auto kLengthSlotTable = buildSlots<kLengthSlots>(kLengthRuns);

static_assert(kOffsetSlotTable[9].base == 13 && kOffsetSlotTable[62].base == 1573);
static_assert(kOffsetSlotTable[400].base == 0x3064A5);
static_assert(kOffsetSlotTable[kOffsetSlots].base == 0x465BE4A5, "runs must cover all 799 slots");
static_assert(kLengthSlotTable[52].base == 2219 && kLengthSlotTable[53].base == 67755);
static_assert(kLengthSlotTable[kLengthSlots].base == 67755 + (1u << 30), "runs must cover all 54 slots");

// The largest extra-bit count of any slot; the bit reader's top-up guarantees
// room for one codeword plus this many bits.
inline constexpr std::uint32_t kMaxExtraBits = 30;

using OffsetSlotTable = std::array<Slot, kOffsetSlots + 1>;

// Block size → number of offset slots the block can use: 1 + the slot of the
// largest possible offset, U − 1. Short final blocks get smaller alphabets.
constexpr std::uint32_t offsetSlotCount(std::uint32_t blockSize, const OffsetSlotTable& table = kOffsetSlotTable) {
    if (blockSize < 2) return 0;
    std::uint32_t slot = 0;
    while (slot + 1 < kOffsetSlots && table[slot + 1].base <= blockSize - 1) ++slot;
    return slot + 1;
}

static_assert(offsetSlotCount(2) == 1 && offsetSlotCount(64) == 20 && offsetSlotCount(1600) == 63);
static_assert(offsetSlotCount(64u << 20) == 729);

}  // namespace lzms::slots
