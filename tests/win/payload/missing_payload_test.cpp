// openPayload in an executable built without the PAYLOAD resource.
#include "payload/payload_resource.h"

#include <gtest/gtest.h>

TEST(OpenPayload, ExecutableWithoutTheResourceSaysItWasBuiltWithoutItsPayload) {
    Payload payload;
    std::wstring error = L"previous text";
    EXPECT_FALSE(openPayload(payload, error));
    EXPECT_EQ(error, L"This installer was built without its payload.");
}
