// unpackPayload: every chunk of the payload into one image, in table order,
// chunk i at image offset i * chunkSize. Stored chunks are copied; compressed
// ones are Compression API LZMS buffers, decoded by the API itself where the
// system's cabinet.dll exports it, by our own decoder where it does not
// (older systems and Wine export none of ordinals 40-45). Both give the same
// bytes, the same messages and the same progress.
//
// The chunk table is checked first (checkChunkTable), so every read below
// stays inside the payload and every write inside the image.
#include "payload/unpack.h"

#include "common/owners.h"
#include "payload/lzms/lzms.h"

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

// Decodes one compressed chunk into its place in the image.
class ChunkDecoder {
public:
    virtual ~ChunkDecoder() = default;
    // True when `in` decoded to exactly out.size() bytes.
    virtual bool decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) = 0;
};

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
class ApiChunkDecoder final : public ChunkDecoder {
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

    ~ApiChunkDecoder() override { api_.close(handle_); }
    ApiChunkDecoder(const ApiChunkDecoder&) = delete;
    ApiChunkDecoder& operator=(const ApiChunkDecoder&) = delete;

    bool decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) override {
        SIZE_T produced = 0;
        if (!api_.decompress(handle_, in.data(), in.size(), out.data(), out.size(), &produced)) return false;
        return produced == out.size();
    }

private:
    ApiChunkDecoder(CompressionApi api, DECOMPRESSOR_HANDLE handle) : api_(std::move(api)), handle_(handle) {}

    CompressionApi api_;
    DECOMPRESSOR_HANDLE handle_;
};

// Our decoder, for systems without the API; it keeps its working tables for
// all chunks of the payload.
class OwnChunkDecoder final : public ChunkDecoder {
public:
    bool decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) override {
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

std::unique_ptr<ChunkDecoder> makeOwnDecoder() {
    try {
        return std::make_unique<OwnChunkDecoder>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Where chunk i's stored bytes begin (checkChunkTable proved the range).
const std::uint8_t* chunkSource(const Payload& payload, const PayloadChunk& chunk) {
    return payload.data + payload.header.dataOffset + chunk.offset;
}

bool unpackChunk(const Payload& payload, std::size_t index, ChunkDecoder& decoder, std::vector<std::uint8_t>& image) {
    const PayloadChunk& chunk = payload.chunks[index];
    const std::uint8_t* source = chunkSource(payload, chunk);
    std::uint8_t* destination = image.data() + std::uint64_t(index) * payload.header.chunkSize;
    if (chunk.stored != 0) {
        std::memcpy(destination, source, chunk.size);
        return true;
    }
    return decoder.decode({source, chunk.compressedSize}, {destination, chunk.size});
}

int progressAfter(std::size_t index, std::size_t count) {
    return int((std::uint64_t(index) + 1) * 100 / count);
}

}  // namespace

bool unpackPayload(const Payload& payload, std::vector<std::uint8_t>& image,
                   const std::function<void(int)>& progress, std::wstring& error, DecompressionPath& path) {
    path = DecompressionPath::None;
    if (!reportStatus(checkChunkTable(payload), error)) return false;
    if (!sizeImage(image, payload.header.totalSize)) return reportStatus(PayloadStatus::Damaged, error);

    std::unique_ptr<ChunkDecoder> decoder;
    if (std::optional<CompressionApi> api = findCompressionApi()) {
        path = DecompressionPath::CompressionApi;
        decoder = ApiChunkDecoder::create(std::move(*api), payload.header.chunkSize);
        if (!decoder) return reportStatus(PayloadStatus::ApiUnavailable, error);
    } else {
        path = DecompressionPath::OwnDecoder;
        decoder = makeOwnDecoder();
        if (!decoder) return reportStatus(PayloadStatus::Damaged, error);
    }

    const std::size_t count = payload.chunks.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (!unpackChunk(payload, i, *decoder, image)) return reportStatus(PayloadStatus::Damaged, error);
        if (progress) progress(progressAfter(i, count));
    }
    return true;
}

bool unpackPayload(const Payload& payload, std::vector<std::uint8_t>& image,
                   const std::function<void(int)>& progress, std::wstring& error) {
    DecompressionPath path;
    return unpackPayload(payload, image, progress, error, path);
}
