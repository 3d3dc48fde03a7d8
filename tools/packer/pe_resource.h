// Finds a resource inside a Windows executable's bytes without Windows: the
// packer lists (and checks) the payload of a built installer on the build
// machine. Portable and bounds-checked on every read; an executable that
// lies about its sizes is reported as malformed, never read past.
//
// The walk: DOS header -> "PE\0\0" -> COFF header -> optional header (PE32 or
// PE32+) -> data directory 2 (resources) -> the section that holds it ->
// resource tree type / name / language -> data entry (an RVA and a size).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace packer::pe {

inline constexpr std::uint16_t kRtRcdata = 10;

enum class Lookup {
    Found,
    NotAnExecutable,  // no "MZ" / "PE" signatures
    NotFound,         // a sound executable without that resource
    Malformed,        // an offset or size points outside the file
};

struct ResourceLookup {
    Lookup result = Lookup::NotFound;
    std::span<const std::uint8_t> bytes;  // the resource's data when Found
};

// True when the bytes start like a Windows executable ("MZ").
bool looksLikeExecutable(std::span<const std::uint8_t> file);

// The data of resource `name` (compared ignoring ASCII case, as FindResourceW
// does) of numeric type `type`, in its first language.
ResourceLookup findResource(std::span<const std::uint8_t> file, std::uint16_t type, std::string_view name);

}  // namespace packer::pe
