// Decode throughput of our LZMS decoder against libwim's on the same chunks.
//
//   lzms_bench IMAGE [XZ_SIZE_FILE] [--rounds N] [--chunk-size BYTES]
//
// The image is cut into chunks of the packer's default size (or BYTES), each
// compressed by libwim at the packer's default level and framed as a
// Compression API buffer (stored when it does not shrink). Both decoders then decode every chunk, single threaded, in
// alternating rounds; the best round of each counts, timed in thread CPU time
// so that other processes on a shared machine distort the figures less. Our decoder reads the framed buffer, libwim
// the raw block inside it. Peak memory is the largest growth of the heap in
// use (mallinfo2, sampled after creating the decoder and after each chunk)
// over a pass with a fresh decoder, plus the one output chunk both need.
#include "container_writer.h"
#include "payload/lzms/buffer_writer.h"
#include "payload/lzms/lzms.h"

#include <wimlib.h>

#include <malloc.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
// Set once from the command line, before anything is compressed.
std::uint32_t chunkSize = packer::kDefaultChunkSize;
constexpr unsigned kDefaultLevel = packer::kDefaultLevel;

struct Chunk {
    Bytes buffer;         // Compression API buffer (ours)
    std::size_t rawOffset = 0;  // where the raw block starts inside it
    std::size_t rawSize = 0;    // 0 when stored
    std::size_t size = 0;
};

Bytes readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<Chunk> compressImage(const Bytes& image) {
    wimlib_compressor* compressor = nullptr;
    if (wimlib_create_compressor(WIMLIB_COMPRESSION_TYPE_LZMS, chunkSize, kDefaultLevel, &compressor) != 0) return {};
    std::vector<Chunk> chunks;
    for (std::size_t at = 0; at < image.size(); at += chunkSize) {
        const std::size_t n = std::min<std::size_t>(chunkSize, image.size() - at);
        const std::span<const std::uint8_t> data(image.data() + at, n);
        Bytes raw(n);
        raw.resize(n > 1 ? wimlib_compress(data.data(), n, raw.data(), n - 1, compressor) : 0);
        Chunk chunk;
        chunk.size = n;
        chunk.rawSize = raw.size();
        chunk.buffer = lzms::writeSingleBlockBuffer(std::uint32_t(n), raw.empty() ? lzms::BlockPayload{data, true}
                                                                                    : lzms::BlockPayload{raw, false});
        chunk.rawOffset = 24 + 4;
        chunks.push_back(std::move(chunk));
    }
    wimlib_free_compressor(compressor);
    return chunks;
}

// One pass over all chunks; returns false on any failure or wrong byte.
using Pass = std::function<bool(const Chunk&, std::uint8_t* out)>;

bool runPass(const std::vector<Chunk>& chunks, const Bytes& image, Bytes& out, const Pass& decode, bool verify) {
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (!decode(chunks[i], out.data())) return false;
        if (verify && std::memcmp(out.data(), image.data() + i * chunkSize, chunks[i].size) != 0) return false;
    }
    return true;
}

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Best pass time of each decoder over `rounds` alternating rounds, or -1 for
// a decoder whose output differs from the image.
std::vector<double> bestSeconds(const std::vector<Chunk>& chunks, const Bytes& image, const std::vector<Pass>& decoders,
                                int rounds) {
    Bytes out(chunkSize);
    std::vector<double> best(decoders.size(), 1e30);
    for (std::size_t d = 0; d < decoders.size(); ++d)
        if (!runPass(chunks, image, out, decoders[d], true)) best[d] = -1;
    for (int r = 0; r < rounds; ++r) {
        for (std::size_t d = 0; d < decoders.size(); ++d) {
            if (best[d] < 0) continue;
            const double start = threadSeconds();
            runPass(chunks, image, out, decoders[d], false);
            best[d] = std::min(best[d], threadSeconds() - start);
        }
    }
    return best;
}

std::size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Heap growth over one pass; `pass` calls `sample` whenever the heap may peak.
long peakKiB(const std::function<void(const std::function<void()>&)>& pass) {
    const std::size_t base = heapInUse();
    std::size_t peak = base;
    pass([&] { peak = std::max(peak, heapInUse()); });
    return long((peak - base) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lzms_bench IMAGE [XZ_SIZE_FILE] [--rounds N] [--chunk-size BYTES]\n");
        return 2;
    }
    int rounds = 10;
    const char* xzSizeFile = nullptr;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--chunk-size") == 0 && i + 1 < argc) chunkSize = std::uint32_t(std::atol(argv[++i]));
        else xzSizeFile = argv[i];
    }
    const Bytes image = readFile(argv[1]);
    if (image.empty()) {
        std::fprintf(stderr, "lzms_bench: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::vector<Chunk> chunks = compressImage(image);
    std::size_t packed = 0, stored = 0;
    for (const Chunk& c : chunks) {
        packed += c.buffer.size();
        stored += c.rawSize == 0;
    }

    auto ours = std::make_unique<lzms::Decoder>();
    const Pass oursPass = [&](const Chunk& c, std::uint8_t* out) {
        std::size_t produced = 0;
        return ours->decodeBuffer(c.buffer, {out, c.size}, produced) == lzms::Status::Ok && produced == c.size;
    };
    wimlib_decompressor* libwim = nullptr;
    wimlib_create_decompressor(WIMLIB_COMPRESSION_TYPE_LZMS, chunkSize, &libwim);
    const Pass libwimPass = [&](const Chunk& c, std::uint8_t* out) {
        if (c.rawSize == 0) {
            std::memcpy(out, c.buffer.data() + c.rawOffset, c.size);
            return true;
        }
        return wimlib_decompress(c.buffer.data() + c.rawOffset, c.rawSize, out, c.size, libwim) == 0;
    };

    const std::vector<double> seconds = bestSeconds(chunks, image, {oursPass, libwimPass}, rounds);
    const double oursSeconds = seconds[0];
    const double libwimSeconds = seconds[1];
    wimlib_free_decompressor(libwim);
    ours.reset();

    const long oursPeak = peakKiB([&](const std::function<void()>& sample) {
        lzms::Decoder decoder;
        Bytes out(chunkSize);
        sample();
        for (const Chunk& c : chunks) {
            std::size_t produced = 0;
            decoder.decodeBuffer(c.buffer, {out.data(), c.size}, produced);
            sample();
        }
    });
    const long libwimPeak = peakKiB([&](const std::function<void()>& sample) {
        wimlib_decompressor* d = nullptr;
        wimlib_create_decompressor(WIMLIB_COMPRESSION_TYPE_LZMS, chunkSize, &d);
        Bytes out(chunkSize);
        sample();
        for (const Chunk& c : chunks) {
            if (c.rawSize) wimlib_decompress(c.buffer.data() + c.rawOffset, c.rawSize, out.data(), c.size, d);
            sample();
        }
        wimlib_free_decompressor(d);
    });

    long xzSize = -1;
    if (xzSizeFile) {
        std::ifstream xz(xzSizeFile);
        xz >> xzSize;
    }
    const double mb = double(image.size()) / 1e6;
    std::printf("image: %zu bytes, %zu chunks of %u bytes (%zu stored), best of %d rounds\n", image.size(),
                chunks.size(), chunkSize, stored, rounds);
    std::printf("packed (libwim LZMS level %u, framed): %zu bytes (%.1f%%)", kDefaultLevel, packed, 100.0 * packed / image.size());
    if (xzSize > 0) std::printf("   xz -9e: %ld bytes (%.1f%%)", xzSize, 100.0 * xzSize / image.size());
    std::printf("\n\n");
    std::printf("%-10s %10s %12s %16s\n", "decoder", "MB/s", "ms/pass", "peak heap (KiB)");
    if (oursSeconds < 0 || libwimSeconds < 0) {
        std::printf("decoding FAILED or differs from the image (%s)\n", oursSeconds < 0 ? "ours" : "libwim");
        return 1;
    }
    std::printf("%-10s %10.1f %12.1f %16ld\n", "ours", mb / oursSeconds, oursSeconds * 1e3, oursPeak);
    std::printf("%-10s %10.1f %12.1f %16ld\n", "libwim", mb / libwimSeconds, libwimSeconds * 1e3, libwimPeak);
    std::printf("ratio ours/libwim: %.2fx\n", libwimSeconds / oursSeconds);
    return 0;
}
