// libFuzzer: any bytes as a Compression API LZMS buffer. The output room is
// the header's total when that is small, so that well-formed headers reach
// the block decoder, else a fixed size, exercising the room check.
#include "payload/lzms/lzms.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {
constexpr std::uint64_t kMaxRoom = 1u << 22;
constexpr std::size_t kDefaultRoom = 4096;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t total = kDefaultRoom;
    if (size >= 16) std::memcpy(&total, data + 8, sizeof total);
    std::vector<std::uint8_t> out(total <= kMaxRoom ? std::size_t(total) : kDefaultRoom);
    static lzms::Decoder decoder;
    std::size_t produced = 0;
    const lzms::Status status = decoder.decodeBuffer({data, size}, out, produced);
    if (status == lzms::Status::Ok && produced > out.size()) __builtin_trap();
    return 0;
}
