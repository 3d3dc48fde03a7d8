// The installer's check of the payload and its unpacked image against the
// digest the packer embedded as resource "PAYLOAD_DIGEST" (RT_RCDATA); record
// layout in payload/core/digest.h.
#pragma once

#include "payload/core/payload.h"

#include <cstdint>
#include <span>
#include <string>

// True when the running module has no digest resource (an installer built
// without one installs as before) or when `payload`'s header and file table
// and its unpacked `image` match it, as far as the record covers them.
// Otherwise returns false and replaces `error` with the damaged-payload
// message. unpackVerifiedPayload (payload/unpack.h) calls it before anything
// is written to disk.
bool verifyPayloadDigest(const Payload& payload, std::span<const std::uint8_t> image, std::wstring& error);
