// The installer's check of the unpacked image against the digest the packer
// embedded as resource "PAYLOAD_DIGEST" (RT_RCDATA); record layout in
// payload/digest.h.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// True when the running module has no digest resource (an installer built
// without one installs as before) or when `image` matches it. Otherwise
// returns false and replaces `error` with the damaged-payload message.
// Call it after unpackPayload and before anything is written to disk.
bool verifyPayloadDigest(std::span<const std::uint8_t> image, std::wstring& error);
