#include "lzms_test_support.h"

#include "payload/lzms/buffer_writer.h"

#include <wimlib.h>

#include <algorithm>
#include <memory>
#include <random>
#include <stdexcept>

namespace lzms_test {
namespace {

struct CompressorDeleter {
    void operator()(wimlib_compressor* c) const { wimlib_free_compressor(c); }
};
struct DecompressorDeleter {
    void operator()(wimlib_decompressor* d) const { wimlib_free_decompressor(d); }
};

std::unique_ptr<wimlib_compressor, CompressorDeleter> makeCompressor(std::size_t blockSize, unsigned level) {
    wimlib_compressor* c = nullptr;
    if (wimlib_create_compressor(WIMLIB_COMPRESSION_TYPE_LZMS, blockSize, level, &c) != 0)
        throw std::runtime_error("wimlib_create_compressor failed");
    return std::unique_ptr<wimlib_compressor, CompressorDeleter>(c);
}

}  // namespace

Bytes compressToBuffer(std::span<const std::uint8_t> data, std::uint32_t blockSize, unsigned level,
                       std::size_t* lzmsBlocks) {
    if (lzmsBlocks) *lzmsBlocks = 0;
    if (data.empty()) return lzms::writeBuffer(0, blockSize, {});
    const std::uint32_t effectiveBlock = std::uint32_t(std::min<std::size_t>(blockSize, data.size()));
    auto compressor = makeCompressor(effectiveBlock, level);
    std::vector<Bytes> raw;
    std::vector<lzms::BlockPayload> blocks;
    for (std::size_t at = 0; at < data.size(); at += effectiveBlock) {
        const auto block = data.subspan(at, std::min<std::size_t>(effectiveBlock, data.size() - at));
        Bytes out(block.size());
        // A payload of the block's own length would read as stored.
        const std::size_t n = block.size() > 1
                                  ? wimlib_compress(block.data(), block.size(), out.data(), block.size() - 1, compressor.get())
                                  : 0;
        out.resize(n);
        raw.push_back(std::move(out));
        if (lzmsBlocks && n != 0) ++*lzmsBlocks;
    }
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto block = data.subspan(i * effectiveBlock, std::min<std::size_t>(effectiveBlock, data.size() - i * effectiveBlock));
        blocks.push_back(raw[i].empty() ? lzms::BlockPayload{block, true} : lzms::BlockPayload{raw[i], false});
    }
    return lzms::writeBuffer(data.size(), blockSize, blocks);
}

Bytes compressRawBlock(std::span<const std::uint8_t> data, unsigned level) {
    auto compressor = makeCompressor(data.size(), level);
    Bytes out(data.size() * 2 + 64);
    out.resize(wimlib_compress(data.data(), data.size(), out.data(), out.size(), compressor.get()));
    return out;
}

Bytes libwimDecodeRawBlock(std::span<const std::uint8_t> raw, std::size_t size) {
    wimlib_decompressor* d = nullptr;
    if (wimlib_create_decompressor(WIMLIB_COMPRESSION_TYPE_LZMS, size, &d) != 0) return {};
    std::unique_ptr<wimlib_decompressor, DecompressorDeleter> owner(d);
    Bytes out(size);
    if (wimlib_decompress(raw.data(), raw.size(), out.data(), size, d) != 0) return {};
    return out;
}

Bytes englishText(std::size_t size, std::uint32_t seed) {
    static const char* const kWords[] = {
        "the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "installer", "payload",
        "window", "folder", "shortcut", "registry", "compression", "of", "and", "a", "to", "is",
        "function", "return", "const", "export", "import", "from", "class", "editor", "language", "model"};
    std::mt19937 rng(seed);
    Bytes out;
    out.reserve(size + 16);
    while (out.size() < size) {
        const std::string word = kWords[rng() % std::size(kWords)];
        out.insert(out.end(), word.begin(), word.end());
        out.push_back(rng() % 11 == 0 ? '\n' : rng() % 7 == 0 ? ',' : ' ');
    }
    out.resize(size);
    return out;
}

Bytes repetitive(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes unit(1 + rng() % 40);
    for (auto& b : unit) b = std::uint8_t(rng());
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i) out[i] = unit[i % unit.size()];
    // A few single-byte edits so that repeat offsets and short matches appear.
    for (std::size_t i = 0; i < size / 500; ++i) out[rng() % size] = std::uint8_t(rng());
    return out;
}

Bytes incompressible(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out) b = std::uint8_t(rng());
    return out;
}

Bytes x86Code(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint32_t> targets(64);
    for (auto& t : targets) t = rng() % std::max<std::size_t>(size, 1);
    Bytes out;
    out.reserve(size + 16);
    auto operand = [&](std::uint32_t v) {
        for (int k = 0; k < 4; ++k) out.push_back(std::uint8_t(v >> (8 * k)));
    };
    while (out.size() < size) {
        const auto here = std::uint32_t(out.size());
        const std::uint32_t target = targets[rng() % targets.size()];
        switch (rng() % 9) {
        case 0: out.push_back(0xE8); operand(target - (here + 5)); break;              // call rel32
        case 1: out.push_back(0xE9); operand(target - (here + 5)); break;              // jmp rel32
        case 2: out.insert(out.end(), {0xFF, 0x15}); operand(target - (here + 6)); break;  // call [rip+x]
        case 3: out.insert(out.end(), {0x48, 0x8D, 0x05}); operand(target - (here + 7)); break;
        case 4: out.insert(out.end(), {0x4C, 0x8D, 0x0D}); operand(target - (here + 7)); break;
        case 5: out.insert(out.end(), {0x48, 0x8B, 0x0D}); operand(target - (here + 7)); break;
        case 6: out.insert(out.end(), {0xF0, 0x83, 0x05}); operand(target - (here + 8)); out.push_back(1); break;
        case 7: out.insert(out.end(), {0x48, 0x89, 0x5C, 0x24, 0x08}); break;  // mov [rsp+8], rbx
        default: out.insert(out.end(), {0x55, 0x48, 0x83, 0xEC, 0x20, 0x90, 0xC3}); break;
        }
    }
    out.resize(size);
    return out;
}

Bytes deltaRecords(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const std::size_t recordSize = std::size_t(1) << (1 + rng() % 5);  // 2 ... 32 bytes
    std::vector<std::uint32_t> field(recordSize / 2), step(recordSize / 2);
    for (std::size_t k = 0; k < field.size(); ++k) {
        field[k] = rng();
        step[k] = rng() % 7;
    }
    Bytes out(size);
    for (std::size_t i = 0; i + 2 <= size; i += 2) {
        const std::size_t k = (i % recordSize) / 2;
        out[i] = std::uint8_t(field[k]);
        out[i + 1] = std::uint8_t(field[k] >> 8);
        if (k + 1 == field.size())
            for (std::size_t f = 0; f < field.size(); ++f) field[f] += step[f];
    }
    return out;
}

Bytes mixed(std::size_t size, std::uint32_t seed) {
    Bytes out;
    out.reserve(size);
    const std::size_t piece = std::max<std::size_t>(size / 12, 1);
    for (std::uint32_t i = 0; out.size() < size; ++i) {
        const std::size_t n = std::min(piece, size - out.size());
        Bytes part;
        switch (i % 5) {
        case 0: part = englishText(n, seed + i); break;
        case 1: part = x86Code(n, seed + i); break;
        case 2: part = deltaRecords(n, seed + i); break;
        case 3: part = repetitive(n, seed + i); break;
        default: part = incompressible(n, seed + i); break;
        }
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

}  // namespace lzms_test
