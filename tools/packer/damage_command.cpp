// packer damage-for-test FILE -o OUT [--header-check | --file-table-letter]
// - for tests only, left out of the usage text: writes a copy of FILE's
// payload container with one bit flipped inside a compressed chunk such that
// the chunk still decodes, to exactly its size, but to different bytes. With
// --header-check it instead changes the check byte of the first compressed
// chunk's buffer header, damage that decoding itself must refuse. With
// --file-table-letter it changes one letter of a path in the file table to
// another letter, such that the reader still accepts the table.
//
// The quiet flip and the changed letter are damage that nothing but the
// digest notices (LZMS carries no checksum; the file table is stored as it
// is); the tests embed such a payload with the original digest and expect
// the install to refuse it.
//
// The flip is searched for, not guessed: each candidate is decoded with our
// decoder and the first that passes is kept. Candidates start in the middle
// of the chunk's LZMS data and move outward, because LZMS reads its range-
// coded stream from the front and its bit stream from the back, so a flip
// where the two meet disturbs only the last few symbols and decoding still
// reaches the end.
#include "arguments.h"
#include "output_file.h"
#include "packer.h"
#include "payload/lzms/buffer_format.h"
#include "payload/lzms/lzms.h"
#include "payload_decode.h"
#include "payload_file.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>

namespace packer {
namespace {

// The API framing and the block's size field come before the LZMS data:
// flipping those fails the header check or the sizes, not the content.
constexpr std::size_t kLzmsDataStart = lzms::framing::kHeaderSize + lzms::framing::kBlockSizeFieldSize;
constexpr std::uint8_t kFlippedBit = 0x01;
// Byte 6 of the Compression API buffer header holds the check of the others.
constexpr std::size_t kHeaderCheckOffset = 6;
// A file-table entry: u32 path length, the path, u64 offset and u64 size.
constexpr std::size_t kPathLengthFieldSize = 4;
constexpr std::size_t kEntryNumbersSize = 16;

struct Flip {
    std::size_t chunk = 0;
    std::uint64_t payloadOffset = 0;  // of the flipped byte, in the container
    std::size_t differingBytes = 0;   // in the chunk's decoded image
};

// The n-th position, moving outward from the middle of [first, last): the
// middle, one after it, one before it, two after... It may fall outside.
std::size_t outwardFromMiddle(std::size_t first, std::size_t last, std::size_t n) {
    const std::size_t middle = first + (last - first) / 2;
    const std::size_t step = (n + 1) / 2;
    return n % 2 == 1 ? middle + step : middle - step;
}

std::size_t countDifferences(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.size(); ++i) differing += a[i] != b[i] ? 1 : 0;
    return differing;
}

// Tries the chunk's data bytes one after another on a copy of its stored bytes.
std::optional<Flip> findFlipInChunk(const Payload& payload, std::size_t index, lzms::Decoder& decoder) {
    const PayloadChunk& chunk = payload.chunks[index];
    if (chunk.compressedSize <= kLzmsDataStart) return std::nullopt;
    std::vector<std::uint8_t> original(chunk.size);
    decodeChunk(payload, index, decoder, original);

    const std::uint64_t chunkStart = payload.header.dataOffset + chunk.offset;
    std::vector<std::uint8_t> stored(payload.data + chunkStart, payload.data + chunkStart + chunk.compressedSize);
    std::vector<std::uint8_t> decoded(chunk.size);
    // Twice the data's length of steps reaches both ends from the middle;
    // the steps past one end are skipped.
    const std::size_t steps = 2 * (stored.size() - kLzmsDataStart);
    for (std::size_t n = 0; n < steps; ++n) {
        const std::size_t at = outwardFromMiddle(kLzmsDataStart, stored.size(), n);
        if (at < kLzmsDataStart || at >= stored.size()) continue;
        stored[at] ^= kFlippedBit;
        std::size_t produced = 0;
        const bool decodes = decoder.decodeBuffer(stored, decoded, produced) == lzms::Status::Ok;
        if (decodes && produced == chunk.size && decoded != original) {
            return Flip{index, chunkStart + at, countDifferences(original, decoded)};
        }
        stored[at] ^= kFlippedBit;
    }
    return std::nullopt;
}

Flip findFlip(const Payload& payload) {
    lzms::Decoder decoder;
    for (std::size_t i = 0; i < payload.chunks.size(); ++i) {
        if (payload.chunks[i].stored != 0) continue;
        if (const std::optional<Flip> flip = findFlipInChunk(payload, i, decoder)) return *flip;
    }
    throw Error("no bit of a compressed chunk can be flipped so that the chunk still decodes");
}

// One letter of a file-table path, at `payloadOffset` in the container, that
// can become `to` with the payload still read as sound: no path rule broken,
// no two paths clashing.
struct Rename {
    std::uint64_t payloadOffset = 0;
    char to = 0;
    std::string before;
    std::string after;
};

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The next letter of the alphabet in the same case, 'z' going round to 'a'.
char nextLetter(char c) {
    if (c == 'z') return 'a';
    if (c == 'Z') return 'A';
    return char(c + 1);
}

// Tries the letters of every path but the first two (the application and the
// uninstaller), from the end of each path, on a copy of the container.
Rename findRename(std::span<const std::uint8_t> container, const Payload& payload) {
    std::vector<std::uint8_t> bytes(container.begin(), container.end());
    std::uint64_t entryStart = payload.header.fileTableOffset;
    for (std::size_t i = 0; i < payload.entries.size(); ++i) {
        const std::string& path = payload.entries[i].path;
        const std::uint64_t pathStart = entryStart + kPathLengthFieldSize;
        entryStart = pathStart + path.size() + kEntryNumbersSize;
        if (i < 2) continue;
        for (std::size_t k = path.size(); k-- > 0;) {
            if (!isAsciiLetter(path[k])) continue;
            const char to = nextLetter(path[k]);
            bytes[pathStart + k] = std::uint8_t(to);
            Payload reread;
            if (parsePayload(bytes, reread) == PayloadStatus::Ok) {
                return Rename{pathStart + k, to, path, reread.entries[i].path};
            }
            bytes[pathStart + k] = std::uint8_t(path[k]);
        }
    }
    throw Error("no letter of a path can be changed with the file table still sound");
}

// The container offset of the first compressed chunk's header check byte.
std::uint64_t headerCheckOffset(const Payload& payload) {
    for (const PayloadChunk& chunk : payload.chunks) {
        if (chunk.stored == 0 && chunk.compressedSize > kHeaderCheckOffset) {
            return payload.header.dataOffset + chunk.offset + kHeaderCheckOffset;
        }
    }
    throw Error("the payload has no compressed chunk");
}

}  // namespace

int damageForTestCommand(std::span<const std::string> args, Console& console) {
    Arguments arguments(args);
    const auto output = arguments.takeValue("-o");
    const bool headerCheck = arguments.takeFlag("--header-check");
    const bool fileTableLetter = arguments.takeFlag("--file-table-letter");
    const std::filesystem::path path = arguments.positionals(1).front();
    if (!output) throw UsageError("damage-for-test needs -o FILE");
    if (headerCheck && fileTableLetter) throw UsageError("damage-for-test makes one kind of damage at a time");

    const PayloadFile file = readPayloadFile(path);
    const Payload payload = parsePayloadFile(file, path);
    requireSoundChunkTable(payload);

    std::vector<std::uint8_t> damaged(file.payload.begin(), file.payload.end());
    if (headerCheck) {
        const std::uint64_t at = headerCheckOffset(payload);
        damaged[at] ^= kFlippedBit;
        console.out << "changed the buffer header check byte at " << at << ": " << *output << "\n";
    } else if (fileTableLetter) {
        const Rename rename = findRename(file.payload, payload);
        damaged[rename.payloadOffset] = std::uint8_t(rename.to);
        console.out << "changed '" << rename.before << "' to '" << rename.after << "' in the file table: " << *output
                    << "\n";
    } else {
        const Flip flip = findFlip(payload);
        damaged[flip.payloadOffset] ^= kFlippedBit;
        console.out << "flipped bit 0 of byte " << flip.payloadOffset << " (chunk " << flip.chunk
                    << "): the chunk still decodes to its size, with " << flip.differingBytes
                    << " bytes different: " << *output << "\n";
    }
    OutputFile out(*output);
    out.write(damaged);
    out.commit();
    return kExitOk;
}

}  // namespace packer
