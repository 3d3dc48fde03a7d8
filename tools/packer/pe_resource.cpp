#include "pe_resource.h"

#include <optional>
#include <vector>

namespace packer::pe {
namespace {

constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kDataDirectorySize = 8;
constexpr std::size_t kResourceDirectoryIndex = 2;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kPe32DirectoriesAt = 96;      // optional header offset of the data directories
constexpr std::size_t kPe32PlusDirectoriesAt = 112;
constexpr std::size_t kResourceDirectorySize = 16;
constexpr std::size_t kResourceEntrySize = 8;
constexpr std::uint32_t kHighBit = 0x80000000u;

// Reads little-endian numbers at offsets of a span, refusing any read that
// would leave it.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool has(std::uint64_t offset, std::uint64_t length) const {
        // Does the read start inside the bytes?
        if (offset > bytes_.size()) return false;
        // Does it end inside them?
        if (length > bytes_.size() - offset) return false;
        return true;
    }

    std::optional<std::uint16_t> u16(std::uint64_t offset) const {
        if (!has(offset, 2)) return std::nullopt;
        return std::uint16_t(bytes_[offset] | bytes_[offset + 1] << 8);
    }

    std::optional<std::uint32_t> u32(std::uint64_t offset) const {
        if (!has(offset, 4)) return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | bytes_[offset + std::size_t(i)];
        return value;
    }

    std::span<const std::uint8_t> bytes() const { return bytes_; }

private:
    std::span<const std::uint8_t> bytes_;
};

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
};

struct Image {
    Reader file;
    std::vector<Section> sections;
    std::uint32_t resourceRva = 0;

    // The file offset of `length` bytes at `rva`, when a section's raw data
    // holds all of them.
    std::optional<std::uint64_t> fileOffset(std::uint64_t rva, std::uint64_t length) const {
        for (const Section& section : sections) {
            if (rva < section.virtualAddress) continue;
            const std::uint64_t into = rva - section.virtualAddress;
            // Does the range start inside the section's raw data?
            if (into > section.rawSize) continue;
            // Does it end inside it?
            if (length > section.rawSize - into) continue;
            const std::uint64_t offset = std::uint64_t(section.rawOffset) + into;
            if (!file.has(offset, length)) return std::nullopt;
            return offset;
        }
        return std::nullopt;
    }

    // A number inside the resource tree, at `offset` from its root.
    std::optional<std::uint32_t> resourceU32(std::uint64_t offset) const {
        const auto at = fileOffset(std::uint64_t(resourceRva) + offset, 4);
        return at ? file.u32(*at) : std::nullopt;
    }

    std::optional<std::uint16_t> resourceU16(std::uint64_t offset) const {
        const auto at = fileOffset(std::uint64_t(resourceRva) + offset, 2);
        return at ? file.u16(*at) : std::nullopt;
    }
};

enum class Walk { Ok, NotPe, Malformed, NoResources };

Walk readImage(Image& image) {
    const Reader& file = image.file;
    const std::span<const std::uint8_t> bytes = file.bytes();
    if (bytes.size() < kDosHeaderSize || bytes[0] != 'M' || bytes[1] != 'Z') return Walk::NotPe;
    const std::uint64_t pe = *file.u32(kPeOffsetField);
    if (!file.has(pe, 4 + kCoffHeaderSize)) return Walk::NotPe;
    if (bytes[pe] != 'P' || bytes[pe + 1] != 'E' || bytes[pe + 2] != 0 || bytes[pe + 3] != 0) return Walk::NotPe;

    const std::uint64_t coff = pe + 4;
    const std::uint16_t sectionCount = *file.u16(coff + 2);
    const std::uint16_t optionalSize = *file.u16(coff + 16);
    const std::uint64_t optional = coff + kCoffHeaderSize;
    if (!file.has(optional, optionalSize)) return Walk::Malformed;

    const auto magic = file.u16(optional);
    if (!magic || optionalSize < 2) return Walk::Malformed;
    std::uint64_t directories = 0;
    if (*magic == kPe32Magic) directories = kPe32DirectoriesAt;
    else if (*magic == kPe32PlusMagic) directories = kPe32PlusDirectoriesAt;
    else return Walk::Malformed;

    const std::uint64_t resourceEntry = directories + kResourceDirectoryIndex * kDataDirectorySize;
    // Does the optional header reach the resource directory's entry?
    if (resourceEntry + kDataDirectorySize > optionalSize) return Walk::NoResources;
    const std::uint32_t directoryCount = *file.u32(optional + directories - 4);
    if (directoryCount <= kResourceDirectoryIndex) return Walk::NoResources;
    image.resourceRva = *file.u32(optional + resourceEntry);
    if (image.resourceRva == 0) return Walk::NoResources;

    const std::uint64_t sectionTable = optional + optionalSize;
    if (!file.has(sectionTable, std::uint64_t(sectionCount) * kSectionHeaderSize)) return Walk::Malformed;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t at = sectionTable + std::uint64_t(i) * kSectionHeaderSize;
        image.sections.push_back(Section{*file.u32(at + 12), *file.u32(at + 16), *file.u32(at + 20)});
    }
    return Walk::Ok;
}

bool nameMatches(const Image& image, std::uint32_t nameOffset, std::string_view wanted) {
    const auto length = image.resourceU16(nameOffset);
    if (!length || *length != wanted.size()) return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const auto unit = image.resourceU16(std::uint64_t(nameOffset) + 2 + 2 * i);
        if (!unit) return false;
        auto lower = [](std::uint32_t c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
        if (lower(*unit) != lower(static_cast<unsigned char>(wanted[i]))) return false;
    }
    return true;
}

// The OffsetToData field of the first entry of the directory at `directory`
// whose name field satisfies `matches`; `malformed` is set when the
// directory cannot be read.
template <typename Matches>
std::optional<std::uint32_t> findEntry(const Image& image, std::uint32_t directory, Matches matches, bool& malformed) {
    const auto named = image.resourceU16(std::uint64_t(directory) + 12);
    const auto numbered = image.resourceU16(std::uint64_t(directory) + 14);
    if (!named || !numbered) {
        malformed = true;
        return std::nullopt;
    }
    const std::uint32_t count = std::uint32_t(*named) + *numbered;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = std::uint64_t(directory) + kResourceDirectorySize + std::uint64_t(i) * kResourceEntrySize;
        const auto name = image.resourceU32(entry);
        const auto target = image.resourceU32(entry + 4);
        if (!name || !target) {
            malformed = true;
            return std::nullopt;
        }
        if (matches(*name)) return *target;
    }
    return std::nullopt;
}

}  // namespace

bool looksLikeExecutable(std::span<const std::uint8_t> file) {
    return file.size() >= 2 && file[0] == 'M' && file[1] == 'Z';
}

ResourceLookup findResource(std::span<const std::uint8_t> file, std::uint16_t type, std::string_view name) {
    Image image{Reader(file), {}, 0};
    switch (readImage(image)) {
    case Walk::NotPe: return {Lookup::NotAnExecutable, {}};
    case Walk::Malformed: return {Lookup::Malformed, {}};
    case Walk::NoResources: return {Lookup::NotFound, {}};
    case Walk::Ok: break;
    }

    bool malformed = false;
    auto isSubdirectory = [](std::uint32_t target) { return (target & kHighBit) != 0; };
    auto subdirectory = [](std::uint32_t target) { return target & ~kHighBit; };

    // Level 1: the type, a number.
    const auto typeTarget = findEntry(image, 0, [&](std::uint32_t n) { return n == type; }, malformed);
    if (malformed) return {Lookup::Malformed, {}};
    if (!typeTarget) return {Lookup::NotFound, {}};
    if (!isSubdirectory(*typeTarget)) return {Lookup::Malformed, {}};

    // Level 2: the name, a counted UTF-16 string.
    const auto nameTarget = findEntry(
        image, subdirectory(*typeTarget),
        [&](std::uint32_t n) { return (n & kHighBit) != 0 && nameMatches(image, n & ~kHighBit, name); }, malformed);
    if (malformed) return {Lookup::Malformed, {}};
    if (!nameTarget) return {Lookup::NotFound, {}};
    if (!isSubdirectory(*nameTarget)) return {Lookup::Malformed, {}};

    // Level 3: the language; the first one will do.
    const auto dataEntry = findEntry(image, subdirectory(*nameTarget), [](std::uint32_t) { return true; }, malformed);
    if (malformed) return {Lookup::Malformed, {}};
    if (!dataEntry) return {Lookup::NotFound, {}};
    if (isSubdirectory(*dataEntry)) return {Lookup::Malformed, {}};

    const auto dataRva = image.resourceU32(*dataEntry);
    const auto dataSize = image.resourceU32(std::uint64_t(*dataEntry) + 4);
    if (!dataRva || !dataSize) return {Lookup::Malformed, {}};
    const auto offset = image.fileOffset(*dataRva, *dataSize);
    if (!offset) return {Lookup::Malformed, {}};
    return {Lookup::Found, file.subspan(*offset, *dataSize)};
}

}  // namespace packer::pe
