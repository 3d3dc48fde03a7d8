// Windows Compression API LZMS buffers: the framing checks, then each block
// stored or LZMS-decoded straight into its place in the caller's output.
// The layout is described in buffer_format.h.
#include "payload/lzms/lzms.h"

#include "payload/lzms/block_decoder.h"
#include "payload/lzms/buffer_format.h"

#include <algorithm>
#include <cstring>

namespace lzms {
namespace {

struct Header {
    std::uint64_t totalSize = 0;
    std::uint32_t blockSize = 0;
};

Status readHeader(std::span<const std::uint8_t> in, Header& header) {
    using namespace framing;
    // Is there a whole header?
    if (kHeaderSize > in.size()) return Status::Truncated;
    const std::uint8_t* h = in.data();
    if (!std::equal(kMagic.begin(), kMagic.end(), h)) return Status::BadHeader;
    // Another header size would mean a layout we do not know; do not guess.
    if (h[4] != kHeaderSize || h[5] != 0) return Status::BadHeader;
    if (h[kCheckByteOffset] != headerCheck(in.first<kHeaderSize>())) return Status::BadHeaderCheck;
    if (h[kAlgorithmOffset] != kAlgorithmLzms) return Status::UnsupportedAlgorithm;
    if (readU32(h + kFlagsOffset) != 0) return Status::BadHeader;
    header.totalSize = readU64(h + kTotalSizeOffset);
    header.blockSize = readU32(h + kBlockSizeOffset);
    // An empty buffer has no blocks; its block size field is not relied on.
    if (header.totalSize == 0) return Status::Ok;
    if (header.blockSize == 0 || header.blockSize > kMaxBlockSize) return Status::BadHeader;
    if (header.blockSize > header.totalSize) return Status::BadHeader;
    return Status::Ok;
}

}  // namespace

const char* statusText(Status status) {
    switch (status) {
    case Status::Ok: return "ok";
    case Status::BadHeader: return "not an LZMS buffer header";
    case Status::BadHeaderCheck: return "LZMS buffer header check byte mismatch";
    case Status::UnsupportedAlgorithm: return "compression algorithm is not LZMS";
    case Status::OutputTooSmall: return "LZMS buffer is larger than the output";
    case Status::Truncated: return "LZMS buffer is truncated";
    case Status::TrailingData: return "LZMS buffer has bytes after its last block";
    case Status::CorruptData: return "LZMS block data is corrupt";
    }
    return "unknown LZMS status";
}

Decoder::Decoder() : block_(std::make_unique<BlockDecoder>()) {}
Decoder::~Decoder() = default;

Status Decoder::decodeBuffer(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, std::size_t& produced) {
    produced = 0;
    Header header;
    if (const Status status = readHeader(in, header); status != Status::Ok) return status;
    // The API reports the room it would need when the output is too small.
    if (header.totalSize > out.size()) {
        produced = header.totalSize > SIZE_MAX ? SIZE_MAX : std::size_t(header.totalSize);
        return Status::OutputTooSmall;
    }

    std::span<const std::uint8_t> rest = in.subspan(framing::kHeaderSize);
    std::size_t written = 0;
    const auto total = std::size_t(header.totalSize);
    while (written < total) {
        const std::size_t blockOutput = std::min<std::size_t>(header.blockSize, total - written);
        // Is there a size field, and does the payload fit in what is left?
        if (framing::kBlockSizeFieldSize > rest.size()) return Status::Truncated;
        const std::uint32_t payloadSize = framing::readU32(rest.data());
        rest = rest.subspan(framing::kBlockSizeFieldSize);
        if (payloadSize > rest.size()) return Status::Truncated;
        const std::span<const std::uint8_t> payload = rest.first(payloadSize);
        const std::span<std::uint8_t> destination = out.subspan(written, blockOutput);
        rest = rest.subspan(payloadSize);

        // A payload exactly as long as its output is the data itself; the x86
        // filter does not apply to it.
        if (payloadSize == blockOutput) {
            std::memcpy(destination.data(), payload.data(), blockOutput);
        } else if (!block_->decode(payload, destination)) {
            return Status::CorruptData;
        }
        written += blockOutput;
    }
    // Buffers written by the API end exactly after the last block.
    if (!rest.empty()) return Status::TrailingData;
    produced = total;
    return Status::Ok;
}

Status decodeBuffer(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, std::size_t& produced) {
    Decoder decoder;
    return decoder.decodeBuffer(in, out, produced);
}

}  // namespace lzms
