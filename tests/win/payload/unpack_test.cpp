// unpackPayload under Wine, on both of its roads. The executable embeds the
// same small folder packed four ways (see CMakeLists.txt): PAYLOAD (5 chunks),
// THREE_CHUNKS, ONE_CHUNK and STORED (every chunk stored, so its chunks are
// the image itself and serve as the reference). ctest runs it four times:
//   UnpackOwnDecoder   - a plain prefix, whose cabinet.dll has no Compression API;
//   UnpackThroughApi   - the stand-in cabinet.dll in the system folder;
//   UnpackRefusedApi   - the stand-in, told to refuse CreateDecompressor;
//   UnpackRefusedChunk - the stand-in, told to refuse the third chunk.
#include "common/owners.h"
#include "payload/lzms/buffer_writer.h"
#include "payload/unpack.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::span<const std::uint8_t> embedded(const wchar_t* name) {
    HRSRC resource = FindResourceW(nullptr, name, RT_RCDATA);
    if (resource == nullptr) return {};
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource)));
    return {data, SizeofResource(nullptr, resource)};
}

Payload parsed(std::span<const std::uint8_t> bytes) {
    Payload payload;
    EXPECT_EQ(parsePayload(bytes, payload), PayloadStatus::Ok);
    return payload;
}

Payload embeddedPayload(const wchar_t* name) {
    return parsed(embedded(name));
}

std::size_t compressedChunks(const Payload& payload) {
    std::size_t count = 0;
    for (const PayloadChunk& chunk : payload.chunks) count += chunk.stored == 0 ? 1 : 0;
    return count;
}

struct Unpacked {
    bool ok = false;
    Bytes image;
    std::vector<int> progress;
    std::wstring error = L"untouched";
    DecoderUse use;
};

Unpacked unpack(const Payload& payload) {
    Unpacked result;
    result.ok = unpackPayload(payload, result.image, [&](int percent) { result.progress.push_back(percent); },
                              result.error, result.use);
    return result;
}

// The image as the STORED payload holds it: its chunks, back to back.
Bytes referenceImage() {
    const Payload stored = embeddedPayload(L"STORED");
    Bytes image;
    for (const PayloadChunk& chunk : stored.chunks) {
        EXPECT_NE(chunk.stored, 0u);
        const std::uint8_t* start = stored.data + stored.header.dataOffset + chunk.offset;
        image.insert(image.end(), start, start + chunk.size);
    }
    return image;
}

// A payload with no files whose chunks are given Compression API buffers (or
// stored bytes) laid out back to back.
struct HandBuilt {
    Bytes bytes;
    Payload payload;

    HandBuilt(std::uint32_t chunkSize, std::uint64_t totalSize, const std::vector<PayloadChunk>& records,
              const Bytes& data) {
        auto put = [&](std::uint64_t value, int width) {
            for (int i = 0; i < width; ++i) bytes.push_back(std::uint8_t(value >> (8 * i)));
        };
        const std::uint64_t chunkTable = kPayloadHeaderSize;
        put(kPayloadMagic, 8); put(kPayloadVersion, 4); put(0, 4); put(records.size(), 4); put(chunkSize, 4);
        put(totalSize, 8); put(chunkTable, 8); put(chunkTable, 8);
        put(chunkTable + records.size() * kPayloadChunkRecordSize, 8);
        for (const PayloadChunk& c : records) {
            put(c.offset, 8); put(c.compressedSize, 4); put(c.size, 4); put(c.stored, 4); put(c.reserved, 4);
        }
        bytes.insert(bytes.end(), data.begin(), data.end());
        payload = parsed(bytes);
    }
};

// ---- our own decoder: Wine's cabinet.dll exports no Compression API ----

TEST(UnpackOwnDecoder, UnpacksTheSameImageAsTheStoredChunksHold) {
    const Unpacked u = unpack(embeddedPayload(L"PAYLOAD"));
    ASSERT_TRUE(u.ok) << std::string(u.error.begin(), u.error.end());
    EXPECT_EQ(u.use.byApi, 0u);
    EXPECT_EQ(u.use.byOwnDecoder, compressedChunks(embeddedPayload(L"PAYLOAD")));
    EXPECT_EQ(u.error, L"untouched");
    EXPECT_EQ(u.image, referenceImage());
}

TEST(UnpackOwnDecoder, ReportsProgressOncePerChunkEndingAt100) {
    EXPECT_EQ(unpack(embeddedPayload(L"ONE_CHUNK")).progress, (std::vector<int>{100}));
    EXPECT_EQ(unpack(embeddedPayload(L"THREE_CHUNKS")).progress, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(unpack(embeddedPayload(L"PAYLOAD")).progress, (std::vector<int>{20, 40, 60, 80, 100}));
}

TEST(UnpackOwnDecoder, StoredChunksAreCopiedWithoutTheirCompressedSize) {
    Payload payload = embeddedPayload(L"STORED");
    for (PayloadChunk& chunk : payload.chunks) chunk.compressedSize = 0xFFFFFFFF;
    const Unpacked u = unpack(payload);
    ASSERT_TRUE(u.ok);
    EXPECT_EQ(u.image, referenceImage());
    EXPECT_EQ(std::string(u.image.begin(), u.image.begin() + 21), "stand-in application\n");
}

TEST(UnpackOwnDecoder, ZeroChunksWithANonzeroTotalGiveAZeroImage) {
    const HandBuilt empty(4096, 1000, {}, {});
    Bytes image(50, 0xAB);  // what the caller held before is replaced
    std::wstring error;
    std::vector<int> progress;
    ASSERT_TRUE(unpackPayload(empty.payload, image, [&](int p) { progress.push_back(p); }, error));
    EXPECT_EQ(image, Bytes(1000, 0));
    EXPECT_TRUE(progress.empty());
}

TEST(UnpackOwnDecoder, ChunkTableFaultsAndUnaffordableImagesAreDamaged) {
    struct Case {
        const char* name;
        void (*bend)(Payload&);
    };
    const Case cases[] = {
        {"chunk past the payload's end", [](Payload& p) { p.chunks[1].offset = p.size; }},
        {"chunk offset 2^64-1", [](Payload& p) { p.chunks[1].offset = std::numeric_limits<std::uint64_t>::max(); }},
        {"sizes not adding up", [](Payload& p) { p.header.totalSize += 1; }},
        {"last chunk past the image", [](Payload& p) { p.header.totalSize -= 1; }},
        {"middle chunk short", [](Payload& p) { p.chunks[2].size -= 1; }},
        {"huge totalSize", [](Payload& p) { p.header.totalSize = std::uint64_t(1) << 62; }},
        {"huge totalSize, no chunks", [](Payload& p) {
             p.chunks.clear();
             p.header.totalSize = std::uint64_t(1) << 62;
         }},
        {"chunk cut short by one byte", [](Payload& p) { p.chunks[1].compressedSize -= 1; }},
    };
    for (const Case& test : cases) {
        Payload payload = embeddedPayload(L"PAYLOAD");
        test.bend(payload);
        const Unpacked u = unpack(payload);
        EXPECT_FALSE(u.ok) << test.name;
        EXPECT_EQ(u.error, L"The payload could not be decompressed - this installer may be damaged.") << test.name;
    }
}

TEST(UnpackOwnDecoder, ChunkThatUnpacksToFewerBytesThanItsSizeIsDamaged) {
    // A valid API buffer of 100 bytes (one stored block) for a 200-byte chunk.
    const Bytes hundred(100, 'x');
    const Bytes buffer = lzms::writeSingleBlockBuffer(100, {hundred, true});
    const HandBuilt shortChunk(200, 200, {{0, std::uint32_t(buffer.size()), 200, 0, 0}}, buffer);
    const Unpacked u = unpack(shortChunk.payload);
    EXPECT_FALSE(u.ok);
    EXPECT_EQ(u.error, payloadMessage(PayloadStatus::Damaged));
}

// ---- the Compression API of the stand-in cabinet.dll ----

// Puts the stand-in into the prefix's system folder (each test run has a
// fresh prefix) and keeps it loaded, to ask it for open handles afterwards.
class UnpackThroughApi : public testing::Test {
protected:
    void SetUp() override {
        wchar_t exe[MAX_PATH];
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring source = exe;
        source = source.substr(0, source.find_last_of(L'\\')) + L"\\test-cabinet\\cabinet.dll";
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        ASSERT_TRUE(CopyFileW(source.c_str(), (std::wstring(system) + L"\\cabinet.dll").c_str(), FALSE))
            << "copying the stand-in cabinet.dll, error " << GetLastError();
        cabinet_ = win::loadSystemLibrary(L"cabinet.dll");
        openHandles_ = win::procAddress<int (*)()>(cabinet_.get(), "TestCabinetOpenHandles");
        ASSERT_NE(openHandles_, nullptr) << "Wine loaded its own cabinet.dll; is WINEDLLOVERRIDES cabinet=n set?";
    }

    int openHandles() const { return openHandles_(); }

private:
    win::UniqueModule cabinet_;
    int (*openHandles_)() = nullptr;
};

TEST_F(UnpackThroughApi, UnpacksTheSameImageThroughTheSystemApi) {
    const Unpacked u = unpack(embeddedPayload(L"PAYLOAD"));
    ASSERT_TRUE(u.ok) << std::string(u.error.begin(), u.error.end());
    EXPECT_EQ(u.use.byApi, compressedChunks(embeddedPayload(L"PAYLOAD")));
    EXPECT_EQ(u.use.byOwnDecoder, 0u);
    EXPECT_EQ(u.image, referenceImage());
    EXPECT_EQ(u.progress, (std::vector<int>{20, 40, 60, 80, 100}));
    EXPECT_EQ(openHandles(), 0) << "CloseDecompressor after success";
}

// The API refuses them, and so does our decoder, which gets each refused chunk.
TEST_F(UnpackThroughApi, ShortOrBrokenChunksAreDamagedAndTheDecompressorClosed) {
    Payload cut = embeddedPayload(L"PAYLOAD");
    cut.chunks[3].compressedSize -= 2;
    Unpacked u = unpack(cut);
    EXPECT_FALSE(u.ok);
    EXPECT_EQ(u.use.byApi, 3u);
    EXPECT_EQ(u.use.byOwnDecoder, 1u) << "our decoder's second chance";
    EXPECT_EQ(u.error, payloadMessage(PayloadStatus::Damaged));
    EXPECT_EQ(u.progress, (std::vector<int>{20, 40, 60}));
    EXPECT_EQ(openHandles(), 0) << "CloseDecompressor after a failure";

    const Bytes hundred(100, 'x');
    const Bytes buffer = lzms::writeSingleBlockBuffer(100, {hundred, true});
    const HandBuilt shortChunk(200, 200, {{0, std::uint32_t(buffer.size()), 200, 0, 0}}, buffer);
    u = unpack(shortChunk.payload);
    EXPECT_FALSE(u.ok);
    EXPECT_EQ(u.error, payloadMessage(PayloadStatus::Damaged));
}

TEST_F(UnpackThroughApi, ZeroChunksStillOpenAndCloseTheDecompressor) {
    const HandBuilt empty(4096, 10, {}, {});
    const Unpacked u = unpack(empty.payload);
    ASSERT_TRUE(u.ok);
    EXPECT_EQ(u.image, Bytes(10, 0));
    EXPECT_EQ(openHandles(), 0);
}

// ---- the stand-in refuses: our decoder takes over without a trace ----

// CreateDecompressor refuses (TS_TEST_CABINET_REFUSE=1).
class UnpackRefusedApi : public UnpackThroughApi {};

TEST_F(UnpackRefusedApi, ApiThatCannotCreateADecompressorLeavesEveryChunkToOurDecoder) {
    const Payload payload = embeddedPayload(L"PAYLOAD");
    const Unpacked u = unpack(payload);
    ASSERT_TRUE(u.ok) << std::string(u.error.begin(), u.error.end());
    EXPECT_EQ(u.error, L"untouched");
    EXPECT_EQ(u.use.byApi, 0u);
    EXPECT_EQ(u.use.byOwnDecoder, compressedChunks(payload));
    EXPECT_EQ(u.image, referenceImage());
    EXPECT_EQ(u.progress, (std::vector<int>{20, 40, 60, 80, 100}));
}

// The third Decompress call of each decompressor fails (TS_TEST_CABINET_REFUSE_CHUNK=3).
class UnpackRefusedChunk : public UnpackThroughApi {};

TEST_F(UnpackRefusedChunk, ChunkTheApiRefusesIsDecodedByOursAndTheRestByTheApi) {
    const Payload payload = embeddedPayload(L"PAYLOAD");
    ASSERT_GE(compressedChunks(payload), 3u);
    const Unpacked u = unpack(payload);
    ASSERT_TRUE(u.ok) << std::string(u.error.begin(), u.error.end());
    EXPECT_EQ(u.error, L"untouched");
    EXPECT_EQ(u.use.byOwnDecoder, 1u);
    EXPECT_EQ(u.use.byApi, compressedChunks(payload) - 1);
    EXPECT_EQ(u.image, referenceImage());
    EXPECT_EQ(u.progress, (std::vector<int>{20, 40, 60, 80, 100}));
    EXPECT_EQ(openHandles(), 0);
}

}  // namespace
