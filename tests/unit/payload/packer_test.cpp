// The packer, driven in-process through its command line: what `pack` writes
// is read back with the installer's own reader and unpacked with libwim's LZMS
// decoder, slice by slice against the files it came from.
#include "container_builder.h"
#include "packer_test_support.h"
#include "payload/core/payload.h"
#include "sha256.h"

#include <gtest/gtest.h>
#include <wimlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Declarations, not `using namespace`: only a declaration here hides the
// packer's own namespace `packer` from calls to the helper of that name.
using packer_test::Bytes;
using packer_test::packer;
using packer_test::PackerRun;
using packer_test::readFile;
using packer_test::TempFolder;
using packer_test::writeFile;

Bytes randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    Bytes bytes(size);
    for (auto& b : bytes) b = std::uint8_t(generator());
    return bytes;
}

Bytes repetitiveText(std::size_t size) {
    const std::string line = "function draw(tile) { return tile.x * 32 + tile.y; }\n";
    Bytes bytes;
    while (bytes.size() < size) bytes.insert(bytes.end(), line.begin(), line.end());
    bytes.resize(size);
    return bytes;
}

// An application folder with files of several kinds and depths: an
// incompressible exe, compressible text, an empty file, names that sort
// before and after the two top-level executables.
struct AppFolder {
    TempFolder dir;
    std::vector<std::pair<std::string, Bytes>> files = {
        {"TessarkStudio.exe", randomBytes(150'000, 1)},
        {"uninstall.exe", repetitiveText(70'000)},
        {"web/js/app.js", repetitiveText(200'000)},
        {"web/empty.txt", {}},
        {"A-first.txt", Bytes{'A'}},
        {"web/fonts/readme.txt", Bytes{'r', 'e', 'a', 'd'}},
        {"zz/last.bin", randomBytes(1'000, 2)},
    };

    explicit AppFolder(bool reverseCreation = false) {
        if (reverseCreation) std::reverse(files.begin(), files.end());
        for (const auto& [path, bytes] : files) writeFile(dir / path, bytes);
    }

    const Bytes& contentOf(const std::string& path) const {
        for (const auto& [p, bytes] : files) {
            if (p == path) return bytes;
        }
        throw std::out_of_range(path);
    }
};

struct Unpacked {
    Payload payload;
    Bytes image;
};

// Reads a container the way the installer does, then unpacks every chunk
// with libwim: the API framing (24-byte header, u32 block size) comes off,
// the raw LZMS block goes to libwim's decoder.
Unpacked unpack(const Bytes& container) {
    Unpacked result;
    EXPECT_EQ(parsePayload(container, result.payload), PayloadStatus::Ok);
    EXPECT_EQ(checkChunkTable(result.payload), PayloadStatus::Ok);
    const PayloadHeader& h = result.payload.header;
    result.image.resize(h.totalSize);

    wimlib_decompressor* decompressor = nullptr;
    if (!result.payload.chunks.empty()) {
        EXPECT_EQ(wimlib_create_decompressor(WIMLIB_COMPRESSION_TYPE_LZMS, h.chunkSize, &decompressor), 0);
    }
    for (std::size_t i = 0; i < result.payload.chunks.size(); ++i) {
        const PayloadChunk& c = result.payload.chunks[i];
        const std::uint8_t* source = container.data() + h.dataOffset + c.offset;
        std::uint8_t* destination = result.image.data() + i * h.chunkSize;
        if (c.stored != 0) {
            std::copy(source, source + c.size, destination);
            continue;
        }
        const Bytes magic = {0x0A, 0x51, 0xE5, 0xC0};
        EXPECT_TRUE(std::equal(magic.begin(), magic.end(), source)) << "chunk " << i;
        std::uint32_t blockBytes = 0;
        std::memcpy(&blockBytes, source + 24, 4);
        EXPECT_EQ(24u + 4u + blockBytes, c.compressedSize);
        EXPECT_EQ(wimlib_decompress(source + 28, blockBytes, destination, c.size, decompressor), 0) << "chunk " << i;
    }
    wimlib_free_decompressor(decompressor);
    return result;
}

std::vector<std::string> pathsOf(const Payload& payload) {
    std::vector<std::string> paths;
    for (const PayloadEntry& e : payload.entries) paths.push_back(e.path);
    return paths;
}

TEST(Packer, PackedFilesUnpackToTheirOwnBytesInPayloadOrder) {
    AppFolder app;
    TempFolder out;
    const PackerRun run = packer({"pack", app.dir.path().string(), "-o", (out / "payload.bin").string(), "--chunk-size",
                            "65536", "--level", "20"});
    ASSERT_EQ(run.code, 0) << run.err;
    const Bytes container = readFile(out / "payload.bin");
    const Unpacked u = unpack(container);

    EXPECT_EQ(pathsOf(u.payload), (std::vector<std::string>{"TessarkStudio.exe", "uninstall.exe", "A-first.txt",
                                                             "web/empty.txt", "web/fonts/readme.txt",
                                                             "web/js/app.js", "zz/last.bin"}));
    std::uint64_t expectedOffset = 0;
    for (const PayloadEntry& e : u.payload.entries) {
        EXPECT_EQ(e.offset, expectedOffset) << e.path;  // back to back from 0
        const Bytes slice(u.image.begin() + std::ptrdiff_t(e.offset), u.image.begin() + std::ptrdiff_t(e.offset + e.size));
        EXPECT_EQ(slice, app.contentOf(e.path)) << e.path;
        expectedOffset += e.size;
    }
    EXPECT_EQ(expectedOffset, u.payload.header.totalSize);

    // Chunks follow each other without gaps and the last ends the file; the
    // random exe is stored, the text is compressed.
    std::uint64_t dataEnd = 0;
    int stored = 0;
    for (const PayloadChunk& c : u.payload.chunks) {
        EXPECT_EQ(c.offset, dataEnd);
        dataEnd += c.stored ? c.size : c.compressedSize;
        stored += c.stored ? 1 : 0;
    }
    EXPECT_EQ(u.payload.header.dataOffset + dataEnd, container.size());
    EXPECT_GE(stored, 2);
    EXPECT_LT(stored, int(u.payload.chunks.size()));
}

TEST(Packer, SameFolderContentGivesByteIdenticalPayloads) {
    AppFolder first;
    AppFolder second(/*reverseCreation=*/true);
    TempFolder out;
    ASSERT_EQ(packer({"pack", first.dir.path().string(), "-o", (out / "a.bin").string()}).code, 0);
    ASSERT_EQ(packer({"pack", first.dir.path().string(), "-o", (out / "b.bin").string()}).code, 0);
    ASSERT_EQ(packer({"pack", second.dir.path().string(), "-o", (out / "c.bin").string()}).code, 0);
    const Bytes a = readFile(out / "a.bin");
    EXPECT_EQ(a, readFile(out / "b.bin"));
    EXPECT_EQ(a, readFile(out / "c.bin"));
}

TEST(Packer, StoreOptionStoresEveryChunkAndRoundTrips) {
    AppFolder app;
    TempFolder out;
    ASSERT_EQ(packer({"pack", app.dir.path().string(), "-o", (out / "p.bin").string(), "--store",
                      "--chunk-size=100000"}).code,
              0);
    const Unpacked u = unpack(readFile(out / "p.bin"));
    for (const PayloadChunk& c : u.payload.chunks) EXPECT_NE(c.stored, 0u);
    EXPECT_EQ(u.payload.chunks.size(), 5u);  // 421,005 bytes in 100,000-byte chunks
    const PayloadEntry& js = u.payload.entries[5];
    ASSERT_EQ(js.path, "web/js/app.js");
    EXPECT_TRUE(std::equal(app.contentOf(js.path).begin(), app.contentOf(js.path).end(),
                           u.image.begin() + std::ptrdiff_t(js.offset)));
}

TEST(Packer, BuildExecutablesReplaceOrCompleteTheFolder) {
    AppFolder app;
    TempFolder build;
    writeFile(build / "uninstall.exe", std::string("fresh uninstaller"));
    writeFile(build / "TessarkStudio.exe", std::string("fresh app"));

    const PackerRun replaced = packer({"pack", app.dir.path().string(), "-o", (build / "p.bin").string(),
                                 "--replace-uninstaller", (build / "uninstall.exe").string()});
    ASSERT_EQ(replaced.code, 0) << replaced.err;
    EXPECT_NE(replaced.err.find("warning:"), std::string::npos);
    EXPECT_NE(replaced.err.find("replaced by the build's uninstall.exe"), std::string::npos);
    Unpacked u = unpack(readFile(build / "p.bin"));
    EXPECT_EQ(u.payload.entries[1].path, "uninstall.exe");
    EXPECT_EQ(u.payload.entries[1].size, 17u);

    // A folder of web assets only: both executables come from the build, silently.
    TempFolder assets;
    writeFile(assets / "index.html", std::string("<p>hi</p>"));
    const PackerRun completed = packer({"pack", assets.path().string(), "-o", (build / "q.bin").string(), "--app-exe",
                                  (build / "TessarkStudio.exe").string(), "--replace-uninstaller",
                                  (build / "uninstall.exe").string()});
    ASSERT_EQ(completed.code, 0) << completed.err;
    EXPECT_EQ(completed.err, "");
    u = unpack(readFile(build / "q.bin"));
    EXPECT_EQ(pathsOf(u.payload), (std::vector<std::string>{"TessarkStudio.exe", "uninstall.exe", "index.html"}));
    EXPECT_EQ(std::string(u.image.begin(), u.image.begin() + 9), "fresh app");
}

struct FolderFault {
    const char* name;
    void (*prepare)(const fs::path& dir);
    const char* message;  // part of the error text
};

TEST(Packer, RefusesFoldersItCannotPackFaithfully) {
    const FolderFault faults[] = {
        {"no application exe", [](const fs::path& d) { fs::remove(d / "TessarkStudio.exe"); }, "has no TessarkStudio.exe"},
        {"no uninstaller", [](const fs::path& d) { fs::remove(d / "uninstall.exe"); }, "has no uninstall.exe"},
        {"uninstaller only in lower case elsewhere",
         [](const fs::path& d) { fs::rename(d / "uninstall.exe", d / "Uninstall.exe"); }, "has no uninstall.exe"},
        {"symbolic link to a file",
         [](const fs::path& d) { fs::create_symlink(d / "A-first.txt", d / "web/link.txt"); }, "symbolic link"},
        {"symbolic link to a folder", [](const fs::path& d) { fs::create_directory_symlink("/etc", d / "etc"); },
         "symbolic link"},
        {"device name", [](const fs::path& d) { writeFile(d / "web/aux.js", std::string("x")); }, "reserves for a device"},
        {"colon", [](const fs::path& d) { writeFile(d / "web/a:b.js", std::string("x")); }, "contains ':'"},
        {"backslash", [](const fs::path& d) { writeFile(d / "web/a\\b.js", std::string("x")); }, "contains '\\'"},
        {"trailing dot", [](const fs::path& d) { writeFile(d / "web/notes.", std::string("x")); }, "ending in '.'"},
        {"not UTF-8", [](const fs::path& d) { writeFile(d / "web/caf\xE9.txt", std::string("x")); },
         "'web/caf\\xE9.txt' is not valid UTF-8"},
        {"case clash", [](const fs::path& d) { writeFile(d / "web/JS/APP.js", std::string("x")); },
         "differ only in letter case"},
        {"file and folder clash", [](const fs::path& d) { writeFile(d / "WEB", std::string("x")); },
         "needs it as a folder"},
        {"scoped package folder at the top",
         [](const fs::path& d) { writeFile(d / "@scope/pkg/index.js", std::string("x")); },
         "'@scope/pkg/index.js' starts with '#' or '@'"},
        {"file starting with '#'", [](const fs::path& d) { writeFile(d / "#notes.txt", std::string("x")); },
         "'#notes.txt' starts with '#' or '@'"},
        {"file named like the manifest",
         [](const fs::path& d) { writeFile(d / "Install-Manifest.TXT", std::string("x")); },
         "'Install-Manifest.TXT' is named like the install manifest"},
        {"folder named like the manifest being replaced",
         [](const fs::path& d) { writeFile(d / "install-manifest.txt.new/a.js", std::string("x")); },
         "'install-manifest.txt.new/a.js' is named like the install manifest"},
    };
    for (const FolderFault& fault : faults) {
        AppFolder app;
        fault.prepare(app.dir.path());
        TempFolder out;
        const PackerRun run = packer({"pack", app.dir.path().string(), "-o", (out / "p.bin").string()});
        EXPECT_EQ(run.code, 1) << fault.name;
        EXPECT_NE(run.err.find(fault.message), std::string::npos) << fault.name << ": " << run.err;
        EXPECT_TRUE(fs::is_empty(out.path())) << fault.name << ": no output, no temporary file left";
    }
}

TEST(Packer, RefusesBadCommandLinesAndUnwritableOutput) {
    AppFolder app;
    const std::string dir = app.dir.path().string();
    EXPECT_EQ(packer({"pack", dir}).code, 2);
    EXPECT_EQ(packer({"pack", dir, "-o", "/tmp/x.bin", "--chunk-size", "0"}).code, 2);
    EXPECT_EQ(packer({"pack", dir, "-o", "/tmp/x.bin", "--chunk-size", "67108865"}).code, 2);
    EXPECT_EQ(packer({"pack", dir, "-o", "/tmp/x.bin", "--chunk-size", "4M"}).code, 2);
    EXPECT_EQ(packer({"pack", dir, "-o", "/tmp/x.bin", "--levle", "9"}).code, 2);
    EXPECT_EQ(packer({"frobnicate"}).code, 2);
    const PackerRun missing = packer({"pack", (app.dir / "nowhere").string(), "-o", "/tmp/x.bin"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos);
    const PackerRun unwritable = packer({"pack", dir, "-o", (app.dir / "no/such/folder/p.bin").string()});
    EXPECT_EQ(unwritable.code, 1);
    EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);
}

// Every chunk goes to the Compression API as one LZMS block, and the API
// takes blocks of 64 KiB to 64 MiB only.
TEST(Packer, TakesOnlyChunkSizesTheCompressionApiAccepts) {
    AppFolder app;
    const std::string dir = app.dir.path().string();
    TempFolder out;
    for (const char* size : {"4096", "65535", "67108865", "4294967296"}) {
        const PackerRun run = packer({"pack", dir, "-o", (out / "p.bin").string(), "--chunk-size", size});
        EXPECT_EQ(run.code, 2) << size;
        EXPECT_NE(run.err.find("--chunk-size must be from 65536 to 67108864 bytes"), std::string::npos)
            << size << ": " << run.err;
        EXPECT_TRUE(fs::is_empty(out.path())) << size << ": nothing written";
    }
    for (const std::uint32_t size : {65'536u, 67'108'864u}) {
        const PackerRun run = packer({"pack", dir, "-o", (out / "p.bin").string(), "--chunk-size", std::to_string(size)});
        ASSERT_EQ(run.code, 0) << size << ": " << run.err;
        EXPECT_EQ(unpack(readFile(out / "p.bin")).payload.header.chunkSize, size);
    }
}

// A minimal PE32+ image with one section holding a resource tree:
// RT_RCDATA -> `name` -> language 1033 -> the given bytes.
Bytes executableWithResource(const Bytes& resource, const std::u16string& name = u"PAYLOAD") {
    constexpr std::uint32_t kSectionRva = 0x1000, kSectionFileOffset = 0x200;
    Bytes rsrc;
    auto u16 = [&](std::uint16_t v) { rsrc.push_back(std::uint8_t(v)); rsrc.push_back(std::uint8_t(v >> 8)); };
    auto u32 = [&](std::uint32_t v) { u16(std::uint16_t(v)); u16(std::uint16_t(v >> 16)); };
    auto directory = [&](std::uint16_t named, std::uint16_t numbered) { u32(0); u32(0); u32(0); u16(named); u16(numbered); };
    directory(0, 1);                           // 0: types
    u32(10); u32(0x80000000u | 24);
    directory(1, 0);                           // 24: names
    u32(0x80000000u | 72); u32(0x80000000u | 48);
    directory(0, 1);                           // 48: languages
    u32(1033); u32(88);
    u16(std::uint16_t(name.size()));           // 72: the name, counted UTF-16
    for (char16_t c : name) u16(c);
    rsrc.resize(88, 0);
    const std::uint32_t dataAt = 104;
    u32(kSectionRva + dataAt); u32(std::uint32_t(resource.size())); u32(0); u32(0);  // 88: data entry
    rsrc.insert(rsrc.end(), resource.begin(), resource.end());

    Bytes file(kSectionFileOffset, 0);
    auto put16 = [&](std::size_t at, std::uint16_t v) { file[at] = std::uint8_t(v); file[at + 1] = std::uint8_t(v >> 8); };
    auto put32 = [&](std::size_t at, std::uint32_t v) { put16(at, std::uint16_t(v)); put16(at + 2, std::uint16_t(v >> 16)); };
    file[0] = 'M'; file[1] = 'Z';
    put32(0x3C, 0x40);
    file[0x40] = 'P'; file[0x41] = 'E';
    put16(0x44, 0x8664);      // machine
    put16(0x46, 1);           // one section
    put16(0x54, 240);         // optional header size
    put16(0x58, 0x20B);       // PE32+
    put32(0x58 + 108, 16);    // data directories
    put32(0x58 + 112 + 16, kSectionRva);
    put32(0x58 + 112 + 20, std::uint32_t(rsrc.size()));
    const std::size_t section = 0x58 + 240;
    std::memcpy(&file[section], ".rsrc", 5);
    put32(section + 8, std::uint32_t(rsrc.size()));
    put32(section + 12, kSectionRva);
    put32(section + 16, std::uint32_t(rsrc.size()));
    put32(section + 20, kSectionFileOffset);
    file.insert(file.end(), rsrc.begin(), rsrc.end());
    return file;
}

TEST(Packer, ListShowsEveryEntryOfAPayloadOrOfAnInstaller) {
    AppFolder app;
    TempFolder out;
    ASSERT_EQ(packer({"pack", app.dir.path().string(), "-o", (out / "p.bin").string()}).code, 0);
    const PackerRun bare = packer({"list", (out / "p.bin").string()});
    ASSERT_EQ(bare.code, 0) << bare.err;
    EXPECT_NE(bare.out.find("      150000  TessarkStudio.exe\n"), std::string::npos) << bare.out;
    EXPECT_NE(bare.out.find("           0  web/empty.txt\n"), std::string::npos);
    EXPECT_NE(bare.out.find("7 files, 421005 bytes"), std::string::npos);

    writeFile(out / "setup.exe", executableWithResource(readFile(out / "p.bin"), u"payload"));
    const PackerRun installer = packer({"list", (out / "setup.exe").string()});
    ASSERT_EQ(installer.code, 0) << installer.err;
    EXPECT_EQ(installer.out.substr(0, bare.out.size() - 1), bare.out.substr(0, bare.out.size() - 1));
    EXPECT_NE(installer.out.find("inside the installer"), std::string::npos);
}

TEST(Packer, ListRefusesInstallersWithoutASoundPayload) {
    TempFolder out;
    writeFile(out / "other.exe", executableWithResource(Bytes(60, 0), u"ICONS"));
    const PackerRun other = packer({"list", (out / "other.exe").string()});
    EXPECT_EQ(other.code, 1);
    EXPECT_NE(other.err.find("without a PAYLOAD resource"), std::string::npos);

    Bytes cut = executableWithResource(Bytes(600, 0));
    cut.resize(cut.size() - 1);  // the data entry now points one byte past the file
    writeFile(out / "cut.exe", cut);
    const PackerRun truncated = packer({"list", (out / "cut.exe").string()});
    EXPECT_EQ(truncated.code, 1);
    EXPECT_NE(truncated.err.find("damaged executable"), std::string::npos);

    writeFile(out / "junk.bin", std::string("QVPACK1"));
    const PackerRun junk = packer({"list", (out / "junk.bin").string()});
    EXPECT_EQ(junk.code, 1);
    EXPECT_NE(junk.err.find("The payload is truncated."), std::string::npos);
}

// Where entry `index`'s offset field sits in a container's bytes.
std::size_t entryOffsetField(const Bytes& container, std::size_t index) {
    std::size_t at = kPayloadHeaderSize;
    for (std::size_t i = 0;; ++i) {
        std::uint32_t length = 0;
        std::memcpy(&length, &container[at], 4);
        if (i == index) return at + 4 + length;
        at += 4 + length + 16;
    }
}

std::size_t chunkCompressedSizeField(const Bytes& container, std::size_t index) {
    std::uint64_t chunkTable = 0;
    std::memcpy(&chunkTable, &container[40], 8);
    return std::size_t(chunkTable) + index * kPayloadChunkRecordSize + 8;
}

TEST(Packer, VerifyAcceptsWhatPackWritesAndExtractRestoresTheFolder) {
    AppFolder app;
    TempFolder out;
    ASSERT_EQ(packer({"pack", app.dir.path().string(), "-o", (out / "p.bin").string(), "--chunk-size", "65536"}).code, 0);
    writeFile(out / "setup.exe", executableWithResource(readFile(out / "p.bin")));
    for (const char* file : {"p.bin", "setup.exe"}) {
        const PackerRun verified = packer({"verify", (out / file).string()});
        EXPECT_EQ(verified.code, 0) << verified.err;
        // The digest's verdict follows (packer_digest_test.cpp checks it).
        EXPECT_TRUE(verified.out.starts_with("OK: 7 files, 421005 bytes in 7 chunks; ")) << verified.out;
    }

    const PackerRun extracted = packer({"extract", (out / "setup.exe").string(), "-o", (out / "x").string()});
    ASSERT_EQ(extracted.code, 0) << extracted.err;
    std::size_t written = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out / "x")) {
        if (entry.is_regular_file()) ++written;
    }
    EXPECT_EQ(written, app.files.size());
    for (const auto& [path, bytes] : app.files) EXPECT_EQ(readFile(out / "x" / path), bytes) << path;
}

TEST(Packer, VerifyNamesWhatIsWrongWithAPayload) {
    AppFolder app;
    TempFolder out;
    ASSERT_EQ(packer({"pack", app.dir.path().string(), "-o", (out / "p.bin").string(), "--chunk-size", "65536"}).code, 0);
    const Bytes good = readFile(out / "p.bin");
    struct Fault {
        const char* name;
        void (*bend)(Bytes&);
        const char* message;
    };
    const Fault faults[] = {
        {"compressed chunk cut short",
         [](Bytes& b) { b[chunkCompressedSizeField(b, 4)] -= 2; }, "chunk 4 does not decode"},
        {"gap between files",
         [](Bytes& b) { b[entryOffsetField(b, 3)] += 1; }, "starts at image offset"},
        {"chunk table outside the payload",
         [](Bytes& b) { b[chunkCompressedSizeField(b, 6)] = 0xFF; b[chunkCompressedSizeField(b, 6) + 3] = 0x7F; },
         "bad chunk table"},
        {"version 2", [](Bytes& b) { b[8] = 2; }, "different version of the packer"},
    };
    for (const Fault& fault : faults) {
        Bytes bytes = good;
        fault.bend(bytes);
        writeFile(out / "bad.bin", bytes);
        const PackerRun run = packer({"verify", (out / "bad.bin").string()});
        EXPECT_EQ(run.code, 1) << fault.name;
        EXPECT_NE(run.err.find(fault.message), std::string::npos) << fault.name << ": " << run.err;
    }

    payload_test::Container wrongOrder;
    wrongOrder.entries = {{"uninstall.exe", 0, 0}, {"TessarkStudio.exe", 0, 0}};
    wrongOrder.layOut();
    writeFile(out / "order.bin", wrongOrder.bytes());
    const PackerRun order = packer({"verify", (out / "order.bin").string()});
    EXPECT_EQ(order.code, 1);
    EXPECT_NE(order.err.find("entry 0 is not TessarkStudio.exe"), std::string::npos) << order.err;
}

TEST(Packer, ExtractWritesNothingOutsideOrOverAnything) {
    TempFolder out;
    payload_test::Container escaping;
    escaping.entries = {{"TessarkStudio.exe", 0, 1}, {"uninstall.exe", 0, 1}, {"../escaped.txt", 0, 1}};
    escaping.header.totalSize = 1;
    escaping.layOut();
    writeFile(out / "escaping.bin", escaping.bytes());
    const PackerRun escaped = packer({"extract", (out / "escaping.bin").string(), "-o", (out / "x").string()});
    EXPECT_EQ(escaped.code, 1);
    EXPECT_NE(escaped.err.find("The payload file table is malformed."), std::string::npos) << escaped.err;
    EXPECT_FALSE(fs::exists(out / "escaped.txt"));
    EXPECT_FALSE(fs::exists(out / "x"));

    AppFolder app;
    ASSERT_EQ(packer({"pack", app.dir.path().string(), "-o", (out / "p.bin").string(), "--chunk-size", "65536"}).code, 0);
    writeFile(out / "busy/keep.txt", std::string("mine"));
    const PackerRun busy = packer({"extract", (out / "p.bin").string(), "-o", (out / "busy").string()});
    EXPECT_EQ(busy.code, 1);
    EXPECT_NE(busy.err.find("is not empty"), std::string::npos);
    EXPECT_EQ(fs::directory_iterator(out / "busy")->path().filename(), "keep.txt");

    Bytes damaged = readFile(out / "p.bin");
    damaged[chunkCompressedSizeField(damaged, 4)] -= 2;
    writeFile(out / "damaged.bin", damaged);
    const PackerRun broken = packer({"extract", (out / "damaged.bin").string(), "-o", (out / "y").string()});
    EXPECT_EQ(broken.code, 1);
    EXPECT_FALSE(fs::exists(out / "y")) << "nothing is written before every chunk decodes";
}

TEST(PackerWinget, HashesByTheStandardsTestVectors) {
    const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";  // padding spills over
    EXPECT_EQ(packer::sha256Hex({}), "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
    EXPECT_EQ(packer::sha256Hex(Bytes{'a', 'b', 'c'}),
              "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    EXPECT_EQ(packer::sha256Hex(Bytes(twoBlocks.begin(), twoBlocks.end())),
              "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1");
}

TEST(PackerWinget, RefusesWhatTheManifestFormatForbids) {
    TempFolder out;
    writeFile(out / "setup.exe", executableWithResource(Bytes(60, 0)));
    writeFile(out / "payload.bin", Bytes(60, 0));
    const std::string setup = (out / "setup.exe").string();
    const struct {
        std::string installer, id, url, license, complaint;
    } cases[] = {
        {setup, "Tessark", "https://x.example/s.exe", "Proprietary", "needs 2 to 8 parts"},
        {setup, "Tess ark.Studio", "https://x.example/s.exe", "Proprietary", "holds a space"},
        {setup, "Tessark..Studio", "https://x.example/s.exe", "Proprietary", "parts of 1 to 32"},
        {setup, "Tessark.Studio", "ftp://x.example/s.exe", "Proprietary", "http:// or https://"},
        {setup, "Tessark.Studio", "https://", "Proprietary", "http:// or https://"},
        {setup, "Tessark.Studio", "https://x.example/s.exe", "no", "3 to 512 characters"},
        {(out / "payload.bin").string(), "Tessark.Studio", "https://x.example/s.exe", "Proprietary", "not an installer"},
    };
    for (const auto& c : cases) {
        const PackerRun run = packer({"winget", c.installer, "--id", c.id, "--url", c.url, "--license", c.license,
                                      "-o", (out / "m").string()});
        EXPECT_EQ(run.code, 1) << c.complaint;
        EXPECT_NE(run.err.find(c.complaint), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(out / "m"));
}

}  // namespace
