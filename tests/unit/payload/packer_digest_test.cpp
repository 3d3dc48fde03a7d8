// The packer's side of the payload digest: `pack` writes it beside the
// payload, `verify` holds the tables and the unpacked image to it, and
// `damage-for-test` makes the damage that only the digest can catch.
#include "packer_test_support.h"
#include "payload/core/digest.h"
#include "payload/core/payload.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using namespace packer_test;

Bytes sourceText(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    const char* words[] = {"tile", "draw", "spawn", "return", "player", "arena", "score", "(x, y)", ";\n"};
    std::string text;
    while (text.size() < size) text += std::string(words[generator() % 9]) + " ";
    return Bytes(text.begin(), text.begin() + std::ptrdiff_t(size));
}

// An application folder whose image spans three compressed 64 KiB chunks.
class PackedApp : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(dir / "app/TessarkStudio.exe", sourceText(90'000, 1));
        writeFile(dir / "app/uninstall.exe", sourceText(40'000, 2));
        writeFile(dir / "app/web/app.js", sourceText(60'000, 3));
        const PackerRun run = packer({"pack", dir / "app", "-o", payload, "--chunk-size", "65536"});
        ASSERT_EQ(run.code, 0) << run.err;
    }

    // The image as `extract` writes it, files in payload order.
    Bytes extractedImage(const std::string& from) {
        const std::string out = dir / ("extracted-" + fs::path(from).filename().string());
        const PackerRun run = packer({"extract", from, "-o", out});
        EXPECT_EQ(run.code, 0) << run.err;
        Bytes image;
        for (const char* path : {"TessarkStudio.exe", "uninstall.exe", "web/app.js"}) {
            const Bytes file = readFile(out + "/" + path);
            image.insert(image.end(), file.begin(), file.end());
        }
        return image;
    }

    TempFolder dir;
    const std::string payload = dir / "payload.bin";
    const std::string digest = payload + ".digest";
};

// The header and the file table lie back to back before the chunk table.
Bytes headerAndFileTable(const Bytes& container) {
    Payload parsed;
    EXPECT_EQ(parsePayload(container, parsed), PayloadStatus::Ok);
    return Bytes(container.begin(), container.begin() + std::ptrdiff_t(parsed.header.chunkTableOffset));
}

TEST_F(PackedApp, PackWritesTheDigestOfTheTablesAndTheImageBesideThePayload) {
    const std::optional<ImageDigest> recorded = decodeImageDigest(readFile(digest));
    ASSERT_TRUE(recorded.has_value());
    const Bytes image = extractedImage(payload);
    EXPECT_EQ(image.size(), 190'000u);
    EXPECT_EQ(recorded->coverage, DigestCoverage::TablesAndImage);
    EXPECT_EQ(recorded->imageSize, image.size());
    EXPECT_EQ(recorded->crc32c, digest::crc32c(image, digest::crc32c(headerAndFileTable(readFile(payload)))));
}

TEST_F(PackedApp, VerifyChecksTheImageAgainstTheDigestBesideIt) {
    const PackerRun matching = packer({"verify", payload});
    EXPECT_EQ(matching.code, 0) << matching.err;
    EXPECT_NE(matching.out.find("matches its digest"), std::string::npos) << matching.out;

    const auto wrong = encodeImageDigest({190'000, 0xDEADBEEFu});
    writeFile(digest, Bytes(wrong.begin(), wrong.end()));
    const PackerRun mismatch = packer({"verify", payload});
    EXPECT_EQ(mismatch.code, 1);
    EXPECT_NE(mismatch.err.find("does not match its digest"), std::string::npos) << mismatch.err;

    // An older packer's record covers the image alone.
    const auto older = encodeImageDigest({190'000, digest::crc32c(extractedImage(payload)), DigestCoverage::Image});
    writeFile(digest, Bytes(older.begin(), older.end()));
    const PackerRun olderMatching = packer({"verify", payload});
    EXPECT_EQ(olderMatching.code, 0) << olderMatching.err;
    EXPECT_NE(olderMatching.out.find("image CRC-32C"), std::string::npos) << olderMatching.out;

    writeFile(digest, Bytes{'Q', 'V'});
    const PackerRun unreadable = packer({"verify", payload});
    EXPECT_EQ(unreadable.code, 1);
    EXPECT_NE(unreadable.err.find("not a record this packer can read"), std::string::npos) << unreadable.err;

    fs::remove(digest);
    const PackerRun without = packer({"verify", payload});
    EXPECT_EQ(without.code, 0) << without.err;
    EXPECT_NE(without.out.find("no digest to check"), std::string::npos) << without.out;
}

TEST_F(PackedApp, DamageForTestStillDecodesButOnlyTheDigestNoticesIt) {
    const std::string damaged = dir / "damaged.bin";
    const PackerRun damage = packer({"damage-for-test", payload, "-o", damaged});
    ASSERT_EQ(damage.code, 0) << damage.err;

    // One bit differs, inside the data area, and every chunk still decodes
    // to its size: without a digest nothing is wrong.
    const Bytes before = readFile(payload);
    const Bytes after = readFile(damaged);
    ASSERT_EQ(before.size(), after.size());
    std::size_t differingBits = 0;
    for (std::size_t i = 0; i < before.size(); ++i) differingBits += std::popcount(unsigned(before[i] ^ after[i]));
    EXPECT_EQ(differingBits, 1u);
    EXPECT_EQ(packer({"verify", damaged}).code, 0);
    EXPECT_NE(extractedImage(damaged), extractedImage(payload));

    fs::copy_file(digest, damaged + ".digest");
    const PackerRun verify = packer({"verify", damaged});
    EXPECT_EQ(verify.code, 1);
    EXPECT_NE(verify.err.find("does not match its digest"), std::string::npos) << verify.err;
}

TEST_F(PackedApp, DamageForTestChangesAPathLetterThatOnlyTheDigestNotices) {
    const std::string damaged = dir / "renamed.bin";
    const PackerRun damage = packer({"damage-for-test", payload, "-o", damaged, "--file-table-letter"});
    ASSERT_EQ(damage.code, 0) << damage.err;
    EXPECT_NE(damage.out.find("changed 'web/app.js' to 'web/app.jt'"), std::string::npos) << damage.out;

    // One byte differs, inside the file table, and the payload still reads
    // and decodes: without a digest nothing is wrong.
    const Bytes before = readFile(payload);
    const Bytes after = readFile(damaged);
    ASSERT_EQ(before.size(), after.size());
    std::vector<std::size_t> differing;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] != after[i]) differing.push_back(i);
    }
    ASSERT_EQ(differing.size(), 1u);
    EXPECT_LT(differing[0], headerAndFileTable(before).size());
    EXPECT_EQ(packer({"verify", damaged}).code, 0);

    fs::copy_file(digest, damaged + ".digest");
    const PackerRun verify = packer({"verify", damaged});
    EXPECT_EQ(verify.code, 1);
    EXPECT_NE(verify.err.find("does not match its digest"), std::string::npos) << verify.err;
}

TEST_F(PackedApp, DamageForTestRefusesAPayloadWithoutCompressedChunks) {
    const std::string stored = dir / "stored.bin";
    ASSERT_EQ(packer({"pack", dir / "app", "-o", stored, "--store"}).code, 0);
    const PackerRun damage = packer({"damage-for-test", stored, "-o", dir / "out.bin"});
    EXPECT_EQ(damage.code, 1);
    EXPECT_NE(damage.err.find("no bit of a compressed chunk"), std::string::npos) << damage.err;
    EXPECT_FALSE(fs::exists(dir / "out.bin"));
}

}  // namespace
