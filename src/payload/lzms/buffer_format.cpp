// The header check byte of the Compression API's buffer framing.
#include "payload/lzms/buffer_format.h"

namespace lzms::framing {

// CRC-32 of the header without its check byte, reflected polynomial
// 0xEDB88320 (the one zlib, PNG and Ethernet use), bit by bit: 23 bytes a
// buffer do not need a 1 KB table in the installer.
std::uint8_t headerCheck(std::span<const std::uint8_t, kHeaderSize> header) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < kHeaderSize; ++i) {
        if (i == kCheckByteOffset) continue;
        crc ^= header[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return std::uint8_t(~crc);
}

}  // namespace lzms::framing
