// An installer built without a PAYLOAD_DIGEST resource (this test executable
// has no resources at all) installs as before: there is nothing to check.
#include "payload/payload_digest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(PayloadDigest, PassesAnyImageWhenTheExecutableCarriesNoDigest) {
    const std::vector<std::uint8_t> image(1'000, 0x5A);
    std::wstring error = L"untouched";
    EXPECT_TRUE(verifyPayloadDigest(Payload{}, image, error));
    EXPECT_TRUE(verifyPayloadDigest(Payload{}, {}, error));
    EXPECT_EQ(error, L"untouched");
}

}  // namespace
