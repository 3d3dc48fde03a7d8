// libFuzzer: any bytes as one raw LZMS block, so that mutations reach the
// block decoder without first having to satisfy the header's check byte. The
// first two bytes choose the block's output size (3 ... 65538); the rest, cut
// to a whole number of words, is the stream.
#include "payload/lzms/buffer_writer.h"
#include "payload/lzms/lzms.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    const std::uint32_t outputSize = 3 + (std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8);
    const std::size_t streamSize = (size - 2) & ~std::size_t(1);
    // A payload as long as its block would be stored, not decoded.
    if (streamSize == outputSize) return 0;
    const std::vector<std::uint8_t> buffer =
        lzms::writeSingleBlockBuffer(outputSize, {{data + 2, streamSize}, false});
    std::vector<std::uint8_t> out(outputSize);
    static lzms::Decoder decoder;
    std::size_t produced = 0;
    const lzms::Status status = decoder.decodeBuffer(buffer, out, produced);
    if (status != lzms::Status::Ok && status != lzms::Status::CorruptData) __builtin_trap();
    return 0;
}
