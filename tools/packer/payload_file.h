// A payload read from disk: either a bare container (what `packer pack`
// writes) or a built installer, whose resource PAYLOAD (RT_RCDATA) holds the
// container. The commands that inspect payloads take either.
#pragma once

#include "payload/core/payload.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace packer {

struct PayloadFile {
    std::vector<std::uint8_t> contents;     // the whole file
    std::span<const std::uint8_t> payload;  // the container inside it
    bool fromInstaller = false;
};

// Throws Error when the file cannot be read, or is an executable without a
// readable PAYLOAD resource.
PayloadFile readPayloadFile(const std::filesystem::path& path);

// parsePayload on the file's container; throws Error with the reader's own
// message on failure.
Payload parsePayloadFile(const PayloadFile& file, const std::filesystem::path& path);

// The reader's messages are wide; they are ASCII, but convert properly.
std::string toUtf8(std::wstring_view text);

}  // namespace packer
