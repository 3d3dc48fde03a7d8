// The header check byte of the Compression API's buffer framing.
#include "payload/lzms/buffer_format.h"

namespace lzms::framing {
namespace {

// Byte → CRC-32 remainder for the reflected polynomial 0xEDB88320, the one
// zlib, PNG and Ethernet use.
constexpr std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        table[byte] = crc;
    }
    return table;
}
constexpr auto kCrcTable = makeCrcTable();

}  // namespace

std::uint8_t headerCheck(std::span<const std::uint8_t, kHeaderSize> header) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < kHeaderSize; ++i) {
        if (i == kCheckByteOffset) continue;
        crc = (crc >> 8) ^ kCrcTable[(crc ^ header[i]) & 0xFF];
    }
    return std::uint8_t(~crc);
}

}  // namespace lzms::framing
