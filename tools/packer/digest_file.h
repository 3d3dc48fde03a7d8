// The payload digest on the build machine: `pack` writes it to a file beside
// the payload (payload.bin → payload.bin.digest), which the build embeds as
// resource "PAYLOAD_DIGEST"; `verify` reads it back from beside a payload
// file or from an installer's resources. Record layout: payload/digest.h.
#pragma once

#include "payload/core/digest.h"
#include "payload_file.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace packer {

// Where `pack` puts the digest of the payload it writes to `payload`.
std::filesystem::path digestPathFor(const std::filesystem::path& payload);

// Writes the record atomically; throws Error when it cannot.
void writeDigestFile(const std::filesystem::path& path, const ImageDigest& digest);

// The digest record that belongs to `file`: its PAYLOAD_DIGEST resource for
// an installer, the file beside it for a bare payload. Nothing when there is
// none; throws Error when one exists but cannot be read.
std::optional<std::vector<std::uint8_t>> findDigestRecord(const PayloadFile& file,
                                                          const std::filesystem::path& path);

// "CRC-32C 0x1a2b3c4d", for messages.
std::string describeDigest(std::uint32_t crc32c);

}  // namespace packer
