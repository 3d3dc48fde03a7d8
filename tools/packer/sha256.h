// SHA-256 (FIPS 180-4), for the installer hash that package manifests state.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace packer {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest sha256(std::span<const std::uint8_t> bytes);

// The digest as 64 upper-case hexadecimal digits.
std::string sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace packer
