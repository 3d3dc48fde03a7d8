// The LZMS x86 post-filter. Encoders turn the relative operands of some x86
// and x64 instructions (calls, RIP-relative loads and LEAs) into absolute
// addresses where the same target was seen recently, so repeated calls to one
// function compress well. After a block is fully decoded, this undoes that.
//
// Candidate opcodes at positions 1 ... U − 17 (operand length 4):
//
//   E8 (call)                   operand at +1, translation window 511
//   E9 (jmp)                    never translated, scanning resumes at +5
//   FF 15 (call [rip+x])        operand at +2, window 1023
//   F0 83 05 (lock add [rip+x]) operand at +3, window 1023
//   48|4C 8D x, x & 7 == 5      operand at +3, window 1023  (lea reg, [rip+x])
//   48 8B 05|0D                 operand at +3, window 1023  (mov reg, [rip+x])
//
// An operand is translated (made relative again by subtracting its opcode's
// position) only within `window` bytes after the last "hit": an operand
// whose 16-bit target was already seen in the previous 65535 bytes.
#pragma once

#include <cstdint>

namespace lzms {

// How the scan skips bytes that cannot start an opcode; all give the same result.
enum class X86Scan { Fastest, Scalar, Sse2, Avx2 };

class X86Filter {
public:
    // Undoes the filter over one whole LZMS block in place; blocks of 17 bytes
    // or fewer have no candidates.
    void undo(std::uint8_t* block, std::uint32_t size, X86Scan scan = X86Scan::Fastest);

    // Whether undo() can use `scan` on this machine.
    static bool available(X86Scan scan);

private:
    static constexpr unsigned kTargets = 1u << 16;
    // Low 16 bits of a target → position of the last operand byte that referred to it.
    std::int32_t lastSeen_[kTargets];
};

}  // namespace lzms
