// The payload digest record: writing, reading and checking it (layout in
// digest.h). Portable: the packer writes and verifies records on the build
// machine, the installer checks them against the payload and the image it
// unpacked.
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

std::uint64_t magicOf(DigestCoverage coverage) {
    return coverage == DigestCoverage::Image ? kImageDigestMagic : kTablesAndImageDigestMagic;
}

std::optional<DigestCoverage> coverageOf(std::uint64_t magic) {
    if (magic == kImageDigestMagic) return DigestCoverage::Image;
    if (magic == kTablesAndImageDigestMagic) return DigestCoverage::TablesAndImage;
    return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> digestBeforeImage(const Payload& payload, DigestCoverage coverage) {
    if (coverage == DigestCoverage::Image) return 0;
    const PayloadHeader& header = payload.header;
    // Is there a whole header?
    if (payload.data == nullptr || kPayloadHeaderSize > payload.size) return std::nullopt;
    // Does the file table end inside the payload?
    if (header.chunkTableOffset > payload.size) return std::nullopt;
    // Does it start before it ends?
    if (header.fileTableOffset > header.chunkTableOffset) return std::nullopt;
    const std::span<const std::uint8_t> bytes(payload.data, std::size_t(payload.size));
    const std::uint32_t afterHeader = digest::crc32c(bytes.first(kPayloadHeaderSize));
    const std::span<const std::uint8_t> fileTable =
        bytes.subspan(std::size_t(header.fileTableOffset), std::size_t(header.chunkTableOffset - header.fileTableOffset));
    return digest::crc32c(fileTable, afterHeader);
}

std::array<std::uint8_t, kImageDigestRecordSize> encodeImageDigest(const ImageDigest& digest) {
    std::array<std::uint8_t, kImageDigestRecordSize> record{};
    putU64(record.data() + kMagicAt, magicOf(digest.coverage));
    putU32(record.data() + kAlgorithmAt, kDigestAlgorithmCrc32c);
    putU32(record.data() + kValueSizeAt, std::uint32_t(kCrc32cValueSize));
    putU64(record.data() + kImageSizeAt, digest.imageSize);
    putU32(record.data() + kValueAt, digest.crc32c);
    return record;
}

std::optional<ImageDigest> decodeImageDigest(std::span<const std::uint8_t> record) {
    // Is there a whole header to read?
    if (kImageDigestHeaderSize > record.size()) return std::nullopt;
    const std::optional<DigestCoverage> coverage = coverageOf(readU64(record.data() + kMagicAt));
    if (!coverage) return std::nullopt;
    if (readU32(record.data() + kAlgorithmAt) != kDigestAlgorithmCrc32c) return std::nullopt;
    const std::uint32_t valueSize = readU32(record.data() + kValueSizeAt);
    if (valueSize != kCrc32cValueSize) return std::nullopt;
    // Does the value fit in what follows the header, with nothing after it?
    if (valueSize != record.size() - kImageDigestHeaderSize) return std::nullopt;
    return ImageDigest{readU64(record.data() + kImageSizeAt), readU32(record.data() + kValueAt), *coverage};
}

PayloadStatus checkPayloadDigest(const Payload& payload, std::span<const std::uint8_t> image,
                                 std::span<const std::uint8_t> record) {
    const std::optional<ImageDigest> expected = decodeImageDigest(record);
    if (!expected || expected->imageSize != image.size()) return PayloadStatus::Damaged;
    const std::optional<std::uint32_t> beforeImage = digestBeforeImage(payload, expected->coverage);
    const bool matches = beforeImage && expected->crc32c == digest::crc32c(image, *beforeImage);
    return matches ? PayloadStatus::Ok : PayloadStatus::Damaged;
}
