// The image digest record: writing, reading and checking it (layout in
// digest.h). Portable: the packer writes and verifies records on the build
// machine, the installer checks them against the image it unpacked.
#include "payload/core/digest.h"

#include "payload/core/payload.h"

namespace {

void putU32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = std::uint8_t(value >> (8 * i));
}

void putU64(std::uint8_t* out, std::uint64_t value) {
    putU32(out, std::uint32_t(value));
    putU32(out + 4, std::uint32_t(value >> 32));
}

std::uint32_t readU32(const std::uint8_t* in) {
    return std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8 | std::uint32_t(in[2]) << 16 |
           std::uint32_t(in[3]) << 24;
}

std::uint64_t readU64(const std::uint8_t* in) { return std::uint64_t(readU32(in)) | std::uint64_t(readU32(in + 4)) << 32; }

// Field offsets of the record → what they hold.
constexpr std::size_t kMagicAt = 0;
constexpr std::size_t kAlgorithmAt = 8;
constexpr std::size_t kValueSizeAt = 12;
constexpr std::size_t kImageSizeAt = 16;
constexpr std::size_t kValueAt = kImageDigestHeaderSize;
static_assert(kImageSizeAt + 8 == kImageDigestHeaderSize);

}  // namespace

ImageDigest digestOfImage(std::span<const std::uint8_t> image) {
    return ImageDigest{image.size(), digest::crc32c(image)};
}

std::array<std::uint8_t, kImageDigestRecordSize> encodeImageDigest(const ImageDigest& digest) {
    std::array<std::uint8_t, kImageDigestRecordSize> record{};
    putU64(record.data() + kMagicAt, kImageDigestMagic);
    putU32(record.data() + kAlgorithmAt, kDigestAlgorithmCrc32c);
    putU32(record.data() + kValueSizeAt, std::uint32_t(kCrc32cValueSize));
    putU64(record.data() + kImageSizeAt, digest.imageSize);
    putU32(record.data() + kValueAt, digest.crc32c);
    return record;
}

std::optional<ImageDigest> decodeImageDigest(std::span<const std::uint8_t> record) {
    // Is there a whole header to read?
    if (kImageDigestHeaderSize > record.size()) return std::nullopt;
    if (readU64(record.data() + kMagicAt) != kImageDigestMagic) return std::nullopt;
    if (readU32(record.data() + kAlgorithmAt) != kDigestAlgorithmCrc32c) return std::nullopt;
    const std::uint32_t valueSize = readU32(record.data() + kValueSizeAt);
    if (valueSize != kCrc32cValueSize) return std::nullopt;
    // Does the value fit in what follows the header, with nothing after it?
    if (valueSize != record.size() - kImageDigestHeaderSize) return std::nullopt;
    return ImageDigest{readU64(record.data() + kImageSizeAt), readU32(record.data() + kValueAt)};
}

PayloadStatus verifyImageDigest(std::span<const std::uint8_t> image, std::span<const std::uint8_t> record) {
    const std::optional<ImageDigest> expected = decodeImageDigest(record);
    const bool matches = expected && expected->imageSize == image.size() &&
                         expected->crc32c == digest::crc32c(image);
    return matches ? PayloadStatus::Ok : PayloadStatus::Damaged;
}
