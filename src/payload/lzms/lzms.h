// Our own decoder for Windows Compression API LZMS buffers (algorithm 5,
// buffer mode): the installer's fallback where the API is missing, as under
// Wine. It accepts exactly the buffers the API's compressor writes and fills
// the same bytes.
//
// Safe on any input: it never reads outside `in`, never writes outside `out`,
// decodes straight into `out`, and allocates nothing that grows with the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace lzms {

enum class Status {
    Ok,
    BadHeader,             // wrong magic, header size, flags or block size
    BadHeaderCheck,        // the header's CRC byte does not match
    UnsupportedAlgorithm,  // a Compression API buffer, but not LZMS
    OutputTooSmall,        // the header's total is larger than `out`
    Truncated,             // the input ends inside the header or a block
    TrailingData,          // bytes left after the last block
    CorruptData,           // an LZMS block that does not decode to its size
};

// A short English description, for logs and test failures.
const char* statusText(Status status);

struct BlockDecoder;

// Holds the decoder's fixed working tables (about 300 KiB), so that a caller
// decoding many buffers allocates them once. Not thread-safe: one per thread.
class Decoder {
public:
    Decoder();
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Decodes one buffer into the front of `out`, as the API's Decompress does:
    // on Ok, `produced` is the header's total (which may be less than
    // out.size()); on OutputTooSmall it is the total, the room the caller
    // would need; on any other failure it is 0. A failed call may leave
    // partial output in `out`.
    Status decodeBuffer(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                        std::size_t& produced);

private:
    std::unique_ptr<BlockDecoder> block_;
};

// One-off form: creates a Decoder for this call.
Status decodeBuffer(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, std::size_t& produced);

}  // namespace lzms
