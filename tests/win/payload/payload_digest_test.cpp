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

std::vector<std::uint8_t> unpackedEmbeddedImage() {
    Payload payload;
    std::wstring error;
    std::vector<std::uint8_t> image;
    EXPECT_TRUE(openPayload(payload, error));
    EXPECT_TRUE(unpackPayload(payload, image, nullptr, error));
    return image;
}

TEST(PayloadDigest, PassesTheImageUnpackedFromTheEmbeddedPayload) {
    const std::vector<std::uint8_t> image = unpackedEmbeddedImage();
    ASSERT_EQ(image.size(), 310'442u);
    std::wstring error = L"untouched";
    EXPECT_TRUE(verifyPayloadDigest(image, error));
    EXPECT_EQ(error, L"untouched");
}

TEST(PayloadDigest, RefusesAnImageThatDiffersInOneBitOrInLength) {
    const std::vector<std::uint8_t> image = unpackedEmbeddedImage();
    std::vector<std::uint8_t> flipped = image;
    flipped[10'000] ^= 0x10;
    std::wstring error;
    EXPECT_FALSE(verifyPayloadDigest(flipped, error));
    EXPECT_EQ(error, L"The payload could not be decompressed - this installer may be damaged.");

    error.clear();
    EXPECT_FALSE(verifyPayloadDigest(std::span(image).first(image.size() - 1), error));
    EXPECT_EQ(error, L"The payload could not be decompressed - this installer may be damaged.");
}

}  // namespace
