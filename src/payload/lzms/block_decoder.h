// The raw LZMS block decoder: the working state for one block at a time,
// kept in one object so that a caller decoding many blocks allocates it once.
#pragma once

#include "payload/lzms/adaptive_code.h"
#include "payload/lzms/readers.h"
#include "payload/lzms/slots.h"
#include "payload/lzms/x86_filter.h"

#include <cstdint>
#include <span>

namespace lzms {

struct BlockDecoder {
    // Decodes one raw LZMS stream into exactly out.size() bytes (at least 3,
    // at most 64 MiB) and undoes the x86 filter. `in` must be a whole number of
    // 16-bit words, at least two. Returns false when the stream is corrupt; `out`
    // then holds partial output.
    bool decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

    // Rebuild periods, in symbols decoded with the code.
    static constexpr unsigned kLiteralPeriod = 1024;
    static constexpr unsigned kOffsetPeriod = 1024;
    static constexpr unsigned kLengthPeriod = 512;
    static constexpr unsigned kPowerPeriod = 512;
    static constexpr unsigned kLiterals = 256;
    static constexpr unsigned kPowers = 8;

    DecisionClass<16> mainClass;      // literal or match
    DecisionClass<32> matchClass;     // LZ or delta
    DecisionClass<64> lzClass;        // explicit or repeat offset
    DecisionClass<64> lzRepClass[2];  // repeat index 0 / 1 / 2
    DecisionClass<64> deltaClass;
    DecisionClass<64> deltaRepClass[2];

    // Root table sizes: long codewords are rare, and larger roots cost more
    // to refill on every rebuild than they save.
    AdaptiveCode<kLiterals, 10> literalCode;
    AdaptiveCode<slots::kOffsetSlots, 11> lzOffsetCode;
    AdaptiveCode<slots::kLengthSlots, 9> lengthCode;
    AdaptiveCode<slots::kOffsetSlots, 11> deltaOffsetCode;
    AdaptiveCode<kPowers, 7> powerCode;

    X86Filter x86Filter;

private:
    bool resetForBlock(std::uint32_t size);
    bool codesIntact() const;
};

}  // namespace lzms
