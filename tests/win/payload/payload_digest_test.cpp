// verifyPayloadDigest on real resources: this test executable embeds a
// payload the host packer made (resource PAYLOAD) and the digest the packer
// wrote beside it (resource PAYLOAD_DIGEST), as TessarkStudioSetup.exe does.
#include "payload/payload_digest.h"
#include "payload/payload_resource.h"
#include "payload/unpack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr wchar_t kDamaged[] = L"The payload could not be decompressed - this installer may be damaged.";

struct Embedded {
    Payload payload;
    std::vector<std::uint8_t> image;
};

Embedded unpackedEmbeddedPayload() {
    Embedded embedded;
    std::wstring error;
    EXPECT_TRUE(openPayload(embedded.payload, error));
    EXPECT_TRUE(unpackPayload(embedded.payload, embedded.image, nullptr, error));
    return embedded;
}

TEST(PayloadDigest, PassesThePayloadAndTheImageUnpackedFromIt) {
    const Embedded embedded = unpackedEmbeddedPayload();
    ASSERT_EQ(embedded.image.size(), 310'442u);
    std::wstring error = L"untouched";
    EXPECT_TRUE(verifyPayloadDigest(embedded.payload, embedded.image, error));
    EXPECT_EQ(error, L"untouched");
}

TEST(PayloadDigest, RefusesAnImageThatDiffersInOneBitOrInLength) {
    const Embedded embedded = unpackedEmbeddedPayload();
    std::vector<std::uint8_t> flipped = embedded.image;
    flipped[10'000] ^= 0x10;
    std::wstring error;
    EXPECT_FALSE(verifyPayloadDigest(embedded.payload, flipped, error));
    EXPECT_EQ(error, kDamaged);

    error.clear();
    EXPECT_FALSE(verifyPayloadDigest(embedded.payload, std::span(embedded.image).first(embedded.image.size() - 1),
                                     error));
    EXPECT_EQ(error, kDamaged);
}

// A copy of the embedded container whose last path ends in another letter:
// it still reads as a sound payload, with the same image.
TEST(PayloadDigest, RefusesAFileTableThatDiffersInOnePathLetter) {
    const Embedded embedded = unpackedEmbeddedPayload();
    std::vector<std::uint8_t> container(embedded.payload.data, embedded.payload.data + embedded.payload.size);
    // The last entry ends at the chunk table: its offset and size (16 bytes)
    // follow its path's last byte.
    const std::size_t lastPathByte = std::size_t(embedded.payload.header.chunkTableOffset) - 17;
    ASSERT_EQ(container[lastPathByte], std::uint8_t(embedded.payload.entries.back().path.back()));
    container[lastPathByte] = container[lastPathByte] == 'a' ? 'b' : 'a';
    Payload renamed;
    ASSERT_EQ(parsePayload(container, renamed), PayloadStatus::Ok);
    ASSERT_NE(renamed.entries.back().path, embedded.payload.entries.back().path);

    std::wstring error;
    EXPECT_FALSE(verifyPayloadDigest(renamed, embedded.image, error));
    EXPECT_EQ(error, kDamaged);
}

}  // namespace
