// unpackPayload: every chunk of the payload into one image, in table order,
// chunk i at image offset i * chunkSize. Stored chunks are copied; compressed
// ones are Compression API LZMS buffers, decoded by the API itself where the
// system's cabinet.dll exports it, by our own decoder where it does not
// (older systems and Wine export none of ordinals 40-45). Both give the same
// bytes, the same messages and the same progress.
//
// Our decoder is also the second chance for the API: it decodes every chunk
// the API cannot (no decompressor, a refused chunk), and the whole image
// again when what the API produced fails the image digest. Our packer's
// chunks have only ever met the API in tests, so one refusal must not be
// able to stop every install.
//
// The chunk table is checked first (checkChunkTable), so every read below
// stays inside the payload and every write inside the image.
#include "payload/unpack.h"

#include "common/owners.h"
#include "payload/lzms/lzms.h"
#include "payload/payload_digest.h"

#include <windows.h>
#include <compressapi.h>

#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

namespace {

// The Compression API is imported by ordinal: that is how cabinet.dll
// exports it, and a DLL loaded at run time keeps the installer starting on
// systems without it.
constexpr WORD kCreateDecompressorOrdinal = 40;
constexpr WORD kSetDecompressorInformationOrdinal = 41;
constexpr WORD kDecompressOrdinal = 43;
constexpr WORD kCloseDecompressorOrdinal = 45;

using CreateDecompressorFn = BOOL(WINAPI*)(DWORD, PCOMPRESS_ALLOCATION_ROUTINES, PDECOMPRESSOR_HANDLE);
using SetDecompressorInformationFn = BOOL(WINAPI*)(DECOMPRESSOR_HANDLE, COMPRESS_INFORMATION_CLASS, LPCVOID, SIZE_T);
using DecompressFn = BOOL(WINAPI*)(DECOMPRESSOR_HANDLE, LPCVOID, SIZE_T, PVOID, SIZE_T, PSIZE_T);
using CloseDecompressorFn = BOOL(WINAPI*)(DECOMPRESSOR_HANDLE);

// The entry points of the system's cabinet.dll.
struct CompressionApi {
    win::UniqueModule module;
    CreateDecompressorFn create = nullptr;
    SetDecompressorInformationFn setInformation = nullptr;
    DecompressFn decompress = nullptr;
    CloseDecompressorFn close = nullptr;
};

template <typename Fn>
Fn exportByOrdinal(HMODULE module, WORD ordinal) {
    return win::procAddress<Fn>(module, MAKEINTRESOURCEA(ordinal));
}

// cabinet.dll from the system folder only (a DLL of that name beside the
// installer, in a Downloads folder, must never be loaded), when it has all
// four functions.
std::optional<CompressionApi> findCompressionApi() {
    CompressionApi api;
    api.module = win::loadSystemLibrary(L"cabinet.dll");
    if (!api.module) return std::nullopt;
    const HMODULE module = api.module.get();
    api.create = exportByOrdinal<CreateDecompressorFn>(module, kCreateDecompressorOrdinal);
    api.setInformation = exportByOrdinal<SetDecompressorInformationFn>(module, kSetDecompressorInformationOrdinal);
    api.decompress = exportByOrdinal<DecompressFn>(module, kDecompressOrdinal);
    api.close = exportByOrdinal<CloseDecompressorFn>(module, kCloseDecompressorOrdinal);
    if (!api.create || !api.setInformation || !api.decompress || !api.close) return std::nullopt;
    return api;
}

// An LZMS decompressor of the Compression API, closed on every road out.
class ApiChunkDecoder {
public:
    // Null when CreateDecompressor refuses.
    static std::unique_ptr<ApiChunkDecoder> create(CompressionApi api, std::uint32_t blockSize) {
        DECOMPRESSOR_HANDLE handle = nullptr;
        if (!api.create(COMPRESS_ALGORITHM_LZMS, nullptr, &handle)) return nullptr;
        auto decoder = std::unique_ptr<ApiChunkDecoder>(new ApiChunkDecoder(std::move(api), handle));
        // The block size the packer used; the API reads it from each buffer's
        // header as well, so its answer is not needed.
        const DWORD size = blockSize;
        decoder->api_.setInformation(handle, COMPRESS_INFORMATION_CLASS_BLOCK_SIZE, &size, sizeof size);
        return decoder;
    }

    ~ApiChunkDecoder() { api_.close(handle_); }
    ApiChunkDecoder(const ApiChunkDecoder&) = delete;
    ApiChunkDecoder& operator=(const ApiChunkDecoder&) = delete;

    // True when `in` decoded to exactly out.size() bytes.
    bool decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
        SIZE_T produced = 0;
        if (!api_.decompress(handle_, in.data(), in.size(), out.data(), out.size(), &produced)) return false;
        return produced == out.size();
    }

private:
    ApiChunkDecoder(CompressionApi api, DECOMPRESSOR_HANDLE handle) : api_(std::move(api)), handle_(handle) {}

    CompressionApi api_;
    DECOMPRESSOR_HANDLE handle_;
};

// Our decoder; it keeps its working tables for all chunks of the payload.
class OwnChunkDecoder {
public:
    // True when `in` decoded to exactly out.size() bytes.
    bool decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
        std::size_t produced = 0;
        return decoder_.decodeBuffer(in, out, produced) == lzms::Status::Ok && produced == out.size();
    }

private:
    lzms::Decoder decoder_;
};

// The image at its final size, all zero. False when the memory cannot be
// had: totalSize comes from the payload and may be absurd.
bool sizeImage(std::vector<std::uint8_t>& image, std::uint64_t totalSize) {
    image.clear();
    // Does the size fit a vector at all?
    if (totalSize > image.max_size()) return false;
    try {
        image.resize(std::size_t(totalSize));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

std::unique_ptr<OwnChunkDecoder> makeOwnDecoder() {
    try {
        return std::make_unique<OwnChunkDecoder>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The API's LZMS decompressor, or null where the system has none or
// CreateDecompressor refuses.
std::unique_ptr<ApiChunkDecoder> openApiDecoder(std::uint32_t blockSize) {
    std::optional<CompressionApi> api = findCompressionApi();
    if (!api) return nullptr;
    return ApiChunkDecoder::create(std::move(*api), blockSize);
}

// The API first, when there is one, and ours for every chunk the API does
// not decode. Ours is made on first need: its tables cost about 300 KiB.
class FallbackDecoder {
public:
    explicit FallbackDecoder(std::unique_ptr<ApiChunkDecoder> api) : api_(std::move(api)) {}

    // False when no decoder can run at all: no API, and ours cannot be had.
    bool ready() { return api_ || own(); }

    // True when `in` decoded to exactly out.size() bytes. A chunk the API
    // refuses may have left partial output; ours overwrites all of it.
    bool decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, DecoderUse& use) {
        if (api_ && api_->decode(in, out)) {
            ++use.byApi;
            return true;
        }
        OwnChunkDecoder* own = this->own();
        if (!own) return false;
        ++use.byOwnDecoder;
        return own->decode(in, out);
    }

private:
    OwnChunkDecoder* own() {
        if (!own_) own_ = makeOwnDecoder();
        return own_.get();
    }

    std::unique_ptr<ApiChunkDecoder> api_;
    std::unique_ptr<OwnChunkDecoder> own_;
};

// Where chunk i's stored bytes begin (checkChunkTable proved the range).
const std::uint8_t* chunkSource(const Payload& payload, const PayloadChunk& chunk) {
    return payload.data + payload.header.dataOffset + chunk.offset;
}

bool unpackChunk(const Payload& payload, std::size_t index, FallbackDecoder& decoder, std::vector<std::uint8_t>& image,
                 DecoderUse& use) {
    const PayloadChunk& chunk = payload.chunks[index];
    const std::uint8_t* source = chunkSource(payload, chunk);
    std::uint8_t* destination = image.data() + std::uint64_t(index) * payload.header.chunkSize;
    if (chunk.stored != 0) {
        std::memcpy(destination, source, chunk.size);
        return true;
    }
    return decoder.decode({source, chunk.compressedSize}, {destination, chunk.size}, use);
}

int progressAfter(std::size_t index, std::size_t count) {
    return int((std::uint64_t(index) + 1) * 100 / count);
}

// Every chunk into the image, which is already at its size.
bool unpackChunks(const Payload& payload, std::vector<std::uint8_t>& image, FallbackDecoder& decoder,
                  const std::function<void(int)>& progress, std::wstring& error, DecoderUse& use) {
    const std::size_t count = payload.chunks.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (!unpackChunk(payload, i, decoder, image, use)) return reportStatus(PayloadStatus::Damaged, error);
        if (progress) progress(progressAfter(i, count));
    }
    return true;
}

}  // namespace

bool unpackPayload(const Payload& payload, std::vector<std::uint8_t>& image,
                   const std::function<void(int)>& progress, std::wstring& error, DecoderUse& use) {
    use = {};
    if (!reportStatus(checkChunkTable(payload), error)) return false;
    if (!sizeImage(image, payload.header.totalSize)) return reportStatus(PayloadStatus::Damaged, error);
    FallbackDecoder decoder(openApiDecoder(payload.header.chunkSize));
    if (!decoder.ready()) return reportStatus(PayloadStatus::ApiUnavailable, error);
    return unpackChunks(payload, image, decoder, progress, error, use);
}

bool unpackPayload(const Payload& payload, std::vector<std::uint8_t>& image,
                   const std::function<void(int)>& progress, std::wstring& error) {
    DecoderUse use;
    return unpackPayload(payload, image, progress, error, use);
}

bool unpackVerifiedPayload(const Payload& payload, std::vector<std::uint8_t>& image,
                           const std::function<void(int)>& progress, std::wstring& error) {
    DecoderUse use;
    if (!unpackPayload(payload, image, progress, error, use)) return false;
    std::wstring verdict;
    if (verifyPayloadDigest(payload, image, verdict)) return true;
    // Our decoder's bytes are the packer's bytes: when they fail, the payload
    // is damaged. The API's bytes get a second opinion from ours.
    FallbackDecoder ownOnly(nullptr);
    if (use.byApi == 0 || !ownOnly.ready()) {
        error = verdict;
        return false;
    }
    DecoderUse again;
    if (!unpackChunks(payload, image, ownOnly, nullptr, error, again)) return false;
    return verifyPayloadDigest(payload, image, error);
}
