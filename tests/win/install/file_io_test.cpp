// The file routines every payload file goes through: a fault here corrupts
// or truncates installed files, or leaves them locked.
#include "common/file_io.h"

#include "common/owners.h"
#include "support/symbolic_link.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string patternBytes(std::size_t length) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
    return bytes;
}

bool writeString(const std::wstring& path, const std::string& bytes) {
    return writeWholeFile(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

TEST(WriteWholeFile, WritesExactlyTheBytesAcrossPieceBoundaries) {
    ts::TempDir temp;
    constexpr std::size_t kMiB = 1u << 20;
    for (const std::size_t length : {std::size_t{0}, std::size_t{1}, kMiB - 1, kMiB, kMiB + 1, 2 * kMiB + kMiB / 2 + 3}) {
        const std::wstring path = temp / (L"file-" + std::to_wstring(length));
        const std::string bytes = patternBytes(length);
        ASSERT_TRUE(writeString(path, bytes)) << length;
        EXPECT_EQ(ts::readFile(path), bytes) << length;
    }
}

TEST(WriteWholeFile, ReplacesALongerFileWhole) {
    ts::TempDir temp;
    const std::wstring path = temp / L"a.txt";
    ASSERT_TRUE(ts::writeFile(path, patternBytes(100000)));
    ASSERT_TRUE(writeString(path, "short"));
    EXPECT_EQ(ts::readFile(path), "short");
    ASSERT_TRUE(writeString(path, ""));
    EXPECT_EQ(ts::readFile(path), "");
}

TEST(WriteWholeFile, FailsOnAFileHeldOpenAndLeavesItsBytes) {
    ts::TempDir temp;
    const std::wstring path = temp / L"held.txt";
    ASSERT_TRUE(ts::writeFile(path, "in use"));
    {
        win::UniqueFile holder(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_FALSE(writeString(path, "replacement"));
    }
    EXPECT_EQ(ts::readFile(path), "in use");
}

TEST(WriteWholeFile, ClosesTheFileSoTheApplicationCanOpenItExclusively) {
    ts::TempDir temp;
    const std::wstring path = temp / L"a.txt";
    ASSERT_TRUE(writeString(path, "bytes"));
    win::UniqueFile exclusive(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(exclusive);
}

TEST(WriteWholeFile, CreatesNoFolders) {
    ts::TempDir temp;
    EXPECT_FALSE(writeString(temp / L"missing\\a.txt", "a"));
    EXPECT_FALSE(ts::directoryExists(temp / L"missing"));
}

TEST(EnsureDirectory, CreatesEveryMissingLevelWhateverTheSeparators) {
    ts::TempDir temp;
    const std::wstring cases[] = {
        temp / L"a\\b\\c",
        temp / L"d\\e\\",
        temp.path() + L"\\f/g/h",
        temp / L"with space\\x",
        temp / L"a\\b",  // exists already
    };
    for (const std::wstring& path : cases) {
        EXPECT_TRUE(ensureDirectory(path)) << ts::narrow(path);
        EXPECT_TRUE(ts::directoryExists(path)) << ts::narrow(path);
    }
    EXPECT_TRUE(ensureDirectory(L""));
}

TEST(EnsureDirectory, FailsBelowAPlainFileButTakesAFileAtThePathItself) {
    ts::TempDir temp;
    const std::wstring file = temp / L"plain";
    ASSERT_TRUE(ts::writeFile(file, "x"));
    EXPECT_FALSE(ensureDirectory(file + L"\\sub\\deeper"));
    EXPECT_FALSE(ts::directoryExists(file + L"\\sub"));
    // CreateDirectoryW answers ERROR_ALREADY_EXISTS for a file too; the write
    // below it is what fails, with that file's path in the message.
    EXPECT_TRUE(ensureDirectory(file));
}

TEST(TextConversion, RoundTripsNonAsciiAndPassesEmptyThrough) {
    const std::string utf8 = "web/caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC/\xF0\x9F\x93\x81.txt";
    const std::wstring wide = utf8ToWide(utf8);
    EXPECT_EQ(wide, L"web/caf\u00E9 \u65E5\u672C/\U0001F4C1.txt");
    EXPECT_EQ(wideToUtf8(wide), utf8);
    EXPECT_EQ(utf8ToWide(""), L"");
    EXPECT_EQ(wideToUtf8(L""), "");
}

TEST(TextConversion, MalformedBytesBecomeReplacementCharactersAndKeepTheirNeighbours) {
    // The manifest rules look for '.', ':', '/' and '\' in the bytes rather
    // than the converted text; that holds only while a malformed byte never
    // swallows the ASCII byte after it.
    const struct {
        const char* bytes;
        const wchar_t* ascii;
    } cases[] = {
        {"a\xE2..b", L"a..b"},
        {"\xC3:x", L":x"},
        {"\xF0\x9F/x", L"/x"},
        {"\xE6\x97\\x", L"\\x"},
        {"x\x80", L"x"},
    };
    for (const auto& c : cases) {
        std::wstring kept;
        bool replaced = false;
        for (const wchar_t ch : utf8ToWide(c.bytes)) {
            if (ch == 0xFFFD) {
                replaced = true;
            } else {
                kept += ch;
            }
        }
        EXPECT_TRUE(replaced) << c.bytes;
        EXPECT_EQ(kept, c.ascii) << c.bytes;
    }
}

// Folder links made from the Linux side, as Wine 8 shows them: a directory
// with FILE_ATTRIBUTE_REPARSE_POINT and reparse tag 0. "moved" stands for an
// install folder moved to another drive through a link.
class FolderLinks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ts::writeFile(temp / L"target\\inside.txt", "not ours"));
        ASSERT_TRUE(ts::writeFile(temp / L"app\\web\\js\\app.js", "ours"));
        ASSERT_TRUE(ts::makeSymbolicLink(temp / L"app\\linked", temp / L"target"));
        ASSERT_TRUE(ts::makeSymbolicLink(temp / L"app\\web\\deep", temp / L"target"));
        ASSERT_TRUE(ts::makeSymbolicLink(temp / L"moved", temp / L"app"));
        // Links named "spaced " and "dotted." beside real folders "spaced" and
        // "dotted". Windows trims a trailing space only from the last name of
        // a path, a trailing dot from every name: "spaced \x" goes through
        // the link, "spaced " alone names the folder, "dotted.\x" the folder.
        for (const wchar_t* name : {L"spaced", L"dotted"}) {
            ASSERT_TRUE(CreateDirectoryW((temp / L"app\\" + name).c_str(), nullptr));
        }
        ASSERT_TRUE(ts::makeSymbolicLink(L"\\\\?\\" + temp / L"app\\spaced ", temp / L"target"));
        ASSERT_TRUE(ts::makeSymbolicLink(L"\\\\?\\" + temp / L"app\\dotted.", temp / L"target"));
    }
    ts::TempDir temp;
};

TEST_F(FolderLinks, PassesThroughLinkForEveryLinkBelowTheFolderButNotForTheFolderItself) {
    const std::wstring app = temp / L"app";
    std::wstring upperApp = app;
    for (wchar_t& c : upperApp) c = static_cast<wchar_t>(towupper(c));
    const struct {
        std::wstring folder;
        std::wstring path;
        bool throughLink;
    } cases[] = {
        {app, app + L"\\linked\\inside.txt", true},
        {app, app + L"\\linked", true},
        {app, app + L"\\web\\deep\\inside.txt", true},
        {app, app + L"\\web\\js\\..\\deep\\x", true},
        {upperApp, app + L"\\linked\\inside.txt", true},
        {app + L"\\", app + L"\\linked\\inside.txt", true},
        {app + L"\\", app + L"\\web\\js\\app.js", false},
        {app + L"\\", app, false},
        {app, app + L"\\spaced \\inside.txt", true},
        {app, app + L"\\spaced\\inside.txt", false},
        {app, app + L"\\dotted.\\inside.txt", false},
        {app, app + L"\\web\\js\\app.js", false},
        {app, app + L"\\web\\.\\js\\app.js", false},
        {app, app + L"\\web\\missing\\x.txt", false},
        {app, app, false},
        {temp / L"moved", temp / L"moved\\web\\js\\app.js", false},
        {temp / L"moved", temp / L"moved\\linked\\inside.txt", true},
        // Not below the folder at all.
        {app, temp / L"target\\inside.txt", true},
        {app, app + L"\\..\\target\\inside.txt", true},
        {app, temp / L"app2\\x", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(passesThroughLink(c.folder, c.path), c.throughLink)
            << ts::narrow(c.folder) << " | " << ts::narrow(c.path);
    }
}

// Under Wine 8, RemoveDirectoryW on a Unix link to an empty folder removes
// that folder: "empty-target" shows that such a link is left alone.
TEST(DeleteTreeWithoutFollowingLinks, DeletesEverythingButWhatALinkInsidePointsTo) {
    ts::TempDir temp;
    const std::wstring data = temp / L"data";
    for (const wchar_t* file : {L"Cache\\index.bin", L"Cache\\deep\\blob.bin", L"locked\\a.bin", L"hidden.ini"}) {
        ASSERT_TRUE(ts::writeFile(data + L"\\" + file, "c"));
    }
    ASSERT_TRUE(SetFileAttributesW((data + L"\\Cache\\deep\\blob.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW((data + L"\\locked").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW((data + L"\\hidden.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    const std::wstring victim = temp / L"victim";
    ASSERT_TRUE(ts::writeFile(victim + L"\\keep.txt", "not ours"));
    ASSERT_TRUE(ts::writeFile(victim + L"\\sub\\keep.txt", "not ours"));
    ASSERT_TRUE(CreateDirectoryW((victim + L"\\empty").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((temp / L"empty-target").c_str(), nullptr));
    ASSERT_TRUE(ts::makeSymbolicLink(data + L"\\Cache\\linked", victim));
    ASSERT_TRUE(ts::makeSymbolicLink(data + L"\\shared", temp / L"empty-target"));

    deleteTreeWithoutFollowingLinks(data);

    EXPECT_EQ(ts::readFile(victim + L"\\keep.txt"), "not ours");
    EXPECT_EQ(ts::readFile(victim + L"\\sub\\keep.txt"), "not ours");
    EXPECT_TRUE(ts::directoryExists(victim + L"\\empty"));
    EXPECT_TRUE(ts::directoryExists(temp / L"empty-target"));
    for (const wchar_t* gone : {L"Cache\\index.bin", L"Cache\\deep", L"locked", L"hidden.ini"}) {
        EXPECT_EQ(GetFileAttributesW((data + L"\\" + gone).c_str()), INVALID_FILE_ATTRIBUTES) << ts::narrow(gone);
    }
}

}  // namespace
