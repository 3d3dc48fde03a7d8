// openPayload on a real resource: this test executable embeds, as resource
// PAYLOAD (RT_RCDATA), a container the host packer made from a small folder
// (see CMakeLists.txt).
#include "payload/payload_resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The bytes of this executable's mapped image.
bool insideOwnImage(const void* address, std::uint64_t size) {
    const auto* base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto* p = static_cast<const std::uint8_t*>(address);
    return p >= base && p + size <= base + nt->OptionalHeader.SizeOfImage;
}

TEST(OpenPayload, ReadsTheEmbeddedContainerInPlace) {
    Payload payload;
    std::wstring error = L"untouched";
    ASSERT_TRUE(openPayload(payload, error)) << std::string(error.begin(), error.end());
    EXPECT_EQ(error, L"untouched");
    EXPECT_TRUE(insideOwnImage(payload.data, payload.size)) << "the resource is used where it is mapped";

    std::vector<std::string> paths;
    for (const PayloadEntry& e : payload.entries) paths.push_back(e.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"TessarkStudio.exe", "uninstall.exe", "web/css/app.css",
                                                "web/empty.txt", "web/noise.txt"}));
    EXPECT_EQ(payload.entries[2].size, 6400u * 36u);
    EXPECT_EQ(payload.entries[3].size, 0u);

    // 21 + 21 + 230,400 + 0 + 80,000 bytes in 65,536-byte chunks.
    EXPECT_EQ(payload.header.totalSize, 310'442u);
    EXPECT_EQ(payload.chunks.size(), 5u);
    EXPECT_EQ(checkChunkTable(payload), PayloadStatus::Ok);
}

TEST(OpenPayload, CompressedChunksStartWithTheCompressionApiHeader) {
    Payload payload;
    std::wstring error;
    ASSERT_TRUE(openPayload(payload, error));
    int compressed = 0;
    for (const PayloadChunk& chunk : payload.chunks) {
        if (chunk.stored != 0) continue;
        ++compressed;
        const std::uint8_t* start = payload.data + payload.header.dataOffset + chunk.offset;
        EXPECT_EQ(start[0], 0x0A);
        EXPECT_EQ(start[1], 0x51);
        EXPECT_EQ(start[2], 0xE5);
        EXPECT_EQ(start[3], 0xC0);
        EXPECT_EQ(start[7], 5) << "LZMS";
    }
    EXPECT_GE(compressed, 3) << "the CSS chunks compress";
}

}  // namespace
