// The container reader: the header checks, the file-table walk, and the
// bounds that keep every later read inside the payload and the image.
#include "container_builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

using payload_test::Container;
using payload_test::RawEntry;

constexpr std::uint64_t kMaxU64 = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint32_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();

struct Parsed {
    PayloadStatus status = PayloadStatus::Ok;
    Payload payload;
    bool ok() const { return status == PayloadStatus::Ok; }
};

Parsed parse(const std::vector<std::uint8_t>& bytes) {
    Parsed result;
    result.status = parsePayload(bytes, result.payload);
    return result;
}

Container twoFiles() {
    Container c;
    c.entries = {{"TessarkStudio.exe", 0, 10}, {"web/index.html", 10, 5}};
    c.header.totalSize = 15;
    c.layOut();
    return c;
}

TEST(PayloadReader, HeaderAloneWithNoFilesOrChunksIsAnEmptyPayload) {
    Container c;
    c.layOut();
    const auto bytes = c.bytes();
    ASSERT_EQ(bytes.size(), 56u);
    const Parsed r = parse(bytes);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.payload.entries.empty());
    EXPECT_TRUE(r.payload.chunks.empty());
    EXPECT_EQ(r.payload.size, 56u);
    EXPECT_EQ(r.payload.data, bytes.data());
}

TEST(PayloadReader, FewerThanHeaderBytesOrNoBytesAreTruncated) {
    Container c;
    c.layOut();
    auto bytes = c.bytes();
    bytes.pop_back();
    EXPECT_EQ(parse(bytes).status, PayloadStatus::Truncated);

    Payload payload;
    EXPECT_EQ(parsePayload({}, payload), PayloadStatus::Truncated);
}

TEST(PayloadReader, WrongMagicOrVersionGetsTheVersionMessage) {
    Container eighthByte;
    eighthByte.header.magic = kPayloadMagic | (std::uint64_t('X') << 56);  // "QVPACK1X"
    eighthByte.layOut();
    EXPECT_EQ(parse(eighthByte.bytes()).status, PayloadStatus::WrongVersion);

    Container version2;
    version2.header.version = 2;
    version2.layOut();
    EXPECT_EQ(parse(version2.bytes()).status, PayloadStatus::WrongVersion);
}

TEST(PayloadReader, EntriesComeBackByteForByteInTableOrder) {
    Container c;
    c.entries = {{"uninstall.exe", 3, 4}, {"web/js/a\xC3\xA9.js", 0, 3}};
    c.header.totalSize = 7;
    c.layOut();
    const Parsed r = parse(c.bytes());
    ASSERT_TRUE(r.ok()) << static_cast<int>(r.status);
    ASSERT_EQ(r.payload.entries.size(), 2u);
    EXPECT_EQ(r.payload.entries[0].path, "uninstall.exe");
    EXPECT_EQ(r.payload.entries[1].path, "web/js/a\xC3\xA9.js");
    EXPECT_EQ(r.payload.entries[1].offset, 0u);
    EXPECT_EQ(r.payload.entries[1].size, 3u);
}

TEST(PayloadReader, LastEntryMayEndExactlyAtTheChunkTableButNotBeyond) {
    Container exact = twoFiles();
    EXPECT_TRUE(parse(exact.bytes()).ok());

    Container over = twoFiles();
    over.header.chunkTableOffset -= 1;  // the last entry's size field now runs one byte past the limit
    over.header.dataOffset -= 1;
    EXPECT_EQ(parse(over.bytes()).status, PayloadStatus::MalformedTable);
}

TEST(PayloadReader, EntriesBeyondFileCountAreIgnored) {
    Container c = twoFiles();
    c.header.fileCount = 1;
    const Parsed r = parse(c.bytes());
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.payload.entries.size(), 1u);
    EXPECT_EQ(r.payload.entries[0].path, "TessarkStudio.exe");
}

TEST(PayloadReader, FileCountBeyondWhatTheTableHoldsIsMalformedWithoutAHugeAllocation) {
    Container c = twoFiles();
    c.header.fileCount = kMaxU32;  // reserving this many entries would ask for ~170 GB
    EXPECT_EQ(parse(c.bytes()).status, PayloadStatus::MalformedTable);
}

TEST(PayloadReader, PathLengthThatWouldWrapAroundIsMalformed) {
    Container c = twoFiles();
    auto bytes = c.bytes();
    const std::uint32_t huge = kMaxU32 - 3;  // position + 4 + n would wrap a 32-bit sum
    std::memcpy(bytes.data() + kPayloadHeaderSize, &huge, 4);
    EXPECT_EQ(parse(bytes).status, PayloadStatus::MalformedTable);
}

TEST(PayloadReader, TablesOutsideThePayloadAreTruncated) {
    struct Case {
        const char* name;
        void (*bend)(PayloadHeader&);
    };
    const Case cases[] = {
        {"file table past the end", [](PayloadHeader& h) { h.fileTableOffset = 10'000; }},
        {"file table at 2^64-1", [](PayloadHeader& h) { h.fileTableOffset = kMaxU64; }},
        {"chunk table past the end", [](PayloadHeader& h) { h.chunkTableOffset = 10'000; }},
        {"chunk table at 2^64-1", [](PayloadHeader& h) { h.chunkTableOffset = kMaxU64; }},
        {"chunk records past the end", [](PayloadHeader& h) { h.chunkCount = 1; }},
        {"2^32-1 chunk records", [](PayloadHeader& h) { h.chunkCount = kMaxU32; }},
    };
    for (const Case& test : cases) {
        Container c = twoFiles();
        test.bend(c.header);
        EXPECT_EQ(parse(c.bytes()).status, PayloadStatus::Truncated) << test.name;
    }
}

TEST(PayloadReader, FileTableStartingBehindItsLimitIsMalformedUnlessEmpty) {
    Container c = twoFiles();
    c.data = {1, 2, 3};
    c.header.fileTableOffset = c.header.chunkTableOffset + 1;
    EXPECT_EQ(parse(c.bytes()).status, PayloadStatus::MalformedTable);

    c.header.fileCount = 0;
    EXPECT_TRUE(parse(c.bytes()).ok());
}

TEST(PayloadReader, EntriesMustLieInsideTheImage) {
    struct Case {
        const char* name;
        std::uint64_t offset;
        std::uint64_t size;
        bool ok;
    };
    const Case cases[] = {
        {"ends exactly at totalSize", 10, 5, true},
        {"empty file at totalSize", 15, 0, true},
        {"one byte past totalSize", 10, 6, false},
        {"starts past totalSize", 16, 0, false},
        {"offset 2^64-1", kMaxU64, 1, false},
        {"size 2^64-1", 1, kMaxU64, false},
    };
    for (const Case& test : cases) {
        Container c = twoFiles();
        c.entries[1].offset = test.offset;
        c.entries[1].size = test.size;
        const Parsed r = parse(c.bytes());
        EXPECT_EQ(r.ok(), test.ok) << test.name;
        if (!test.ok) EXPECT_EQ(r.status, PayloadStatus::MalformedTable) << test.name;
    }
}

TEST(PayloadReader, PathsThatEscapeClashOrCannotBeReadBackAreMalformed) {
    for (const char* path : {"../evil.dll", "C:/Windows/evil.dll", "web/CON.txt", "TESSARKSTUDIO.EXE",
                             "TessarkStudio.exe/inner", "@scope/x.js", "#x", "install-manifest.txt"}) {
        Container c = twoFiles();
        c.entries[1].path = path;
        c.layOut();
        EXPECT_EQ(parse(c.bytes()).status, PayloadStatus::MalformedTable) << path;
    }
}

TEST(PayloadReader, ChunkRecordsAreCopiedAsTheyStand) {
    Container c = twoFiles();
    c.chunks = {{0, 100, 15, 0, 0}, {100, 7, 9, 1, 0xDEADBEEF}};
    c.header.chunkSize = 15;
    c.layOut();
    const Parsed r = parse(c.bytes());
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.payload.chunks.size(), 2u);
    EXPECT_EQ(r.payload.chunks[1].offset, 100u);
    EXPECT_EQ(r.payload.chunks[1].compressedSize, 7u);
    EXPECT_EQ(r.payload.chunks[1].size, 9u);
    EXPECT_EQ(r.payload.chunks[1].stored, 1u);
    EXPECT_EQ(r.payload.chunks[1].reserved, 0xDEADBEEFu);
    EXPECT_EQ(r.payload.header.dataOffset, c.header.dataOffset);
}

// Status → sentence: the installer shows these and the packer prints them.
TEST(PayloadStatusMessages, EachFailureHasItsOwnSentence) {
    const struct {
        PayloadStatus status;
        std::wstring_view sentence;
    } table[] = {
        {PayloadStatus::Ok, L""},
        {PayloadStatus::Missing, L"This installer was built without its payload."},
        {PayloadStatus::NotLoaded, L"The payload resource could not be loaded."},
        {PayloadStatus::Truncated, L"The payload is truncated."},
        {PayloadStatus::WrongVersion, L"The payload was written by a different version of the packer."},
        {PayloadStatus::MalformedTable, L"The payload file table is malformed."},
        {PayloadStatus::ApiUnavailable, L"The Windows Compression API is unavailable on this machine."},
        {PayloadStatus::Damaged, L"The payload could not be decompressed - this installer may be damaged."},
    };
    for (const auto& row : table) {
        EXPECT_EQ(payloadMessage(row.status), row.sentence);
        std::wstring error = L"untouched";
        EXPECT_EQ(reportStatus(row.status, error), row.status == PayloadStatus::Ok);
        EXPECT_EQ(error, row.status == PayloadStatus::Ok ? L"untouched" : row.sentence);
    }
}

}  // namespace
