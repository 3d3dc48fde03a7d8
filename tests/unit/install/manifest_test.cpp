// The manifest reading rules decide what the uninstaller deletes: a line
// classified as a file or shortcut by mistake deletes something the
// installer never wrote.
#include "install/core/manifest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

using Kind = ManifestLineKind;

struct Acted {
    Kind kind;
    std::string text;
    bool operator==(const Acted&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Acted& a) {
    return out << (a.kind == Kind::File ? "file '" : "shortcut '") << a.text << "'";
}

// The lines the uninstaller acts on, in order.
std::vector<Acted> actedOn(std::string_view bytes) {
    std::vector<Acted> result;
    for (const ManifestLine& line : readManifestLines(bytes)) {
        if (line.kind != Kind::Skipped) result.push_back({line.kind, std::string(line.text)});
    }
    return result;
}

struct Case {
    const char* name;
    std::string bytes;
    std::vector<Acted> expected;
};

const Case kCases[] = {
    {"empty file", "", {}},
    {"only line feeds", "\n\n\n", {}},
    {"plain file lines", "a.txt\nweb/css/app.css\n",
     {{Kind::File, "a.txt"}, {Kind::File, "web/css/app.css"}}},
    {"no final line feed keeps the last line", "a.txt\nb.txt", {{Kind::File, "a.txt"}, {Kind::File, "b.txt"}}},
    {"CRLF line ends", "a.txt\r\nweb/b.txt\r\n@C:\\U\\Tessark Studio.lnk\r\n",
     {{Kind::File, "a.txt"}, {Kind::File, "web/b.txt"}, {Kind::Shortcut, "C:\\U\\Tessark Studio.lnk"}}},
    {"trailing spaces and CRs in any mix", "a.txt  \r \r\n@C:\\x\\Tessark Studio.lnk \r\n",
     {{Kind::File, "a.txt"}, {Kind::Shortcut, "C:\\x\\Tessark Studio.lnk"}}},
    {"tabs are not trimmed", "a.txt\t\n", {{Kind::File, "a.txt\t"}}},
    {"leading spaces are kept", "  web/css/app.css\n", {{Kind::File, "  web/css/app.css"}}},
    {"comment lines anywhere", "# top\na.txt\n# middle\nb.txt\n#tail", {{Kind::File, "a.txt"}, {Kind::File, "b.txt"}}},
    {"a space before '#' makes a file line", " #x\n", {{Kind::File, " #x"}}},
    {"blank and space-only lines anywhere", "\na.txt\n   \n\r\nb.txt\n", {{Kind::File, "a.txt"}, {Kind::File, "b.txt"}}},
    {"parent folder at the start", "../outside.txt\n", {}},
    {"parent folder in the middle", "web/../../x\n", {}},
    {"two dots inside a name", "notes..txt\n", {}},
    {"drive letter", "C:/x\n", {}},
    {"leading slash", "/x\n", {}},
    {"leading backslash", "\\x\n", {}},
    {"colon anywhere", "a:b\n", {}},
    {"one dot is fine", "web/./a.b\n", {{Kind::File, "web/./a.b"}}},
    // Windows drops "." components and strips trailing dots and spaces.
    {"only dots and separators name the install folder", ".\n./\n. .\n./. /.\n.\\ .\n", {}},
    {"a name after dots is below it", "./a\n. ./web/\n", {{Kind::File, "./a"}, {Kind::File, ". ./web/"}}},
    {"shortcut in upper case", "@C:\\Desktop\\Tessark Studio.LNK\n", {{Kind::Shortcut, "C:\\Desktop\\Tessark Studio.LNK"}}},
    {"shortcut name in any letter case", "@c:\\a\\tESSARK sTUDIO.LnK\n",
     {{Kind::Shortcut, "c:\\a\\tESSARK sTUDIO.LnK"}}},
    {"shortcut on a server (a redirected desktop)", "@\\\\server\\home$\\me\\Desktop\\Tessark Studio.lnk\n",
     {{Kind::Shortcut, "\\\\server\\home$\\me\\Desktop\\Tessark Studio.lnk"}}},
    {"shortcut at the top of a share", "@\\\\server\\share\\Tessark Studio.lnk\n",
     {{Kind::Shortcut, "\\\\server\\share\\Tessark Studio.lnk"}}},
    {"shortcut at a drive root", "@D:\\Tessark Studio.lnk\n", {{Kind::Shortcut, "D:\\Tessark Studio.lnk"}}},
    {"Windows takes '/' for '\\' in a shortcut path", "@C:/Users/me/Tessark Studio.lnk\n",
     {{Kind::Shortcut, "C:/Users/me/Tessark Studio.lnk"}}},
    {"shortcut of another name", "@C:\\Users\\me\\Desktop\\Other.lnk\n", {}},
    {"an 8.3 alias may be another file's", "@C:\\Users\\me\\Desktop\\TESSAR~1.LNK\n", {}},
    {"the name with more after it",
     "@C:\\x\\Tessark Studio.lnk.\n@C:\\x\\Tessark Studio.lnk:s\n@C:\\x\\Tessark Studio.lnks\n", {}},
    {"the name as a folder", "@C:\\Tessark Studio.lnk\\x.lnk\n@C:\\Tessark Studio.lnk\\\n", {}},
    {"relative shortcut paths", "@Tessark Studio.lnk\n@Desktop\\Tessark Studio.lnk\n@.\\Tessark Studio.lnk\n", {}},
    {"root of the current drive", "@\\Users\\me\\Tessark Studio.lnk\n@/Tessark Studio.lnk\n", {}},
    {"current folder of a drive", "@C:Tessark Studio.lnk\n@C:Desktop\\Tessark Studio.lnk\n", {}},
    {"not a drive letter", "@1:\\Tessark Studio.lnk\n@\xC3\xA9:\\Tessark Studio.lnk\n", {}},
    {"device namespaces", "@\\\\?\\C:\\Users\\me\\Tessark Studio.lnk\n@\\\\.\\C:\\Users\\me\\Tessark Studio.lnk\n"
                          "@//?/C:/Tessark Studio.lnk\n@\\/./C:/Tessark Studio.lnk\n", {}},
    {"a server without a share",
     "@\\\\server\\Tessark Studio.lnk\n@\\\\Tessark Studio.lnk\n@\\\\\\share\\Tessark Studio.lnk\n", {}},
    {"shortcut line naming an exe", "@C:\\Windows\\notepad.exe\n", {}},
    {"lone '@'", "@\n", {}},
    {"'@' with only the extension", "@.lnk\n", {}},
    {"'@' with one character before the extension", "@a.lnk\n", {}},
    // Whatever the folders, the file is the product's shortcut.
    {"shortcut folders are not checked for dots", "@C:\\..\\x\\Tessark Studio.lnk\n",
     {{Kind::Shortcut, "C:\\..\\x\\Tessark Studio.lnk"}}},
    {"'@' with trailing spaces after the name", "@C:\\x\\Tessark Studio.lnk   \n",
     {{Kind::Shortcut, "C:\\x\\Tessark Studio.lnk"}}},
    // A space before '@' makes it a file line, and that one holds a ':'.
    {"space before '@' makes a refused file line", " @C:\\x.lnk\n", {}},
    {"non-ASCII file names pass unchanged", "web/caf\xC3\xA9.txt\n", {{Kind::File, "web/caf\xC3\xA9.txt"}}},
    {"malformed UTF-8 between dots is not two dots", "a\xE2.\xE2.txt\n", {{Kind::File, "a\xE2.\xE2.txt"}}},
    {"malformed UTF-8 next to two dots refused", "a\xE2..txt\n", {}},
    {"a NUL byte would cut the shortcut path short", std::string("@C:\\x.exe") + '\0' + "\\Tessark Studio.lnk\n", {}},
    {"a NUL byte in a file line", std::string("web/a\0.txt\n", 11), {}},
    {"a byte-order mark is not part of the first line", "\xEF\xBB\xBF# header\na.txt\n", {{Kind::File, "a.txt"}}},
    {"only one byte-order mark is", "\xEF\xBB\xBF\xEF\xBB\xBF# x\n", {{Kind::File, "\xEF\xBB\xBF# x"}}},
    {"a byte-order mark after the start is kept", "a.txt\n\xEF\xBB\xBF#b\n",
     {{Kind::File, "a.txt"}, {Kind::File, "\xEF\xBB\xBF#b"}}},
};

class ManifestRules : public ::testing::TestWithParam<Case> {};

TEST_P(ManifestRules, ActsOnExactlyTheLinesTheRulesAllow) {
    const Case& c = GetParam();
    EXPECT_EQ(actedOn(c.bytes), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, ManifestRules, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name;
    for (const char ch : std::string(info.param.name)) {
        if (std::isalnum(static_cast<unsigned char>(ch))) {
            name += ch;
        } else if (!name.empty() && name.back() != '_') {
            name += '_';
        }
    }
    if (!name.empty() && name.back() == '_') name.pop_back();
    return name;
});

TEST(ManifestLineCount, IsLineFeedsPlusOneWithEveryLineCounted) {
    EXPECT_EQ(readManifestLines("").size(), 1u);
    EXPECT_EQ(readManifestLines("a").size(), 1u);
    EXPECT_EQ(readManifestLines("a\n").size(), 2u);
    EXPECT_EQ(readManifestLines("# c\n\n../x\n@x.exe\na\n").size(), 6u);
    const auto lines = readManifestLines("a\n");
    EXPECT_EQ(lines.back().kind, Kind::Skipped);
    EXPECT_TRUE(lines.back().text.empty());
}

TEST(ManifestHeader, IsFourCommentLinesThatReadBackAsNothing) {
    EXPECT_EQ(std::count(kManifestHeader.begin(), kManifestHeader.end(), '\n'), 4);
    EXPECT_EQ(kManifestHeader.back(), '\n');
    EXPECT_TRUE(actedOn(kManifestHeader).empty());
}

// Only a file that starts with the header's first line is a manifest; the
// rest of the header may have been edited.
TEST(ManifestHeader, OnlyTheFirstHeaderLineMakesAManifest) {
    const std::string first = "# Tessark Studio install manifest. Every path here was written by the installer";
    const struct {
        const char* name;
        std::string bytes;
        bool manifest;
    } cases[] = {
        {"the written header", std::string(kManifestHeader), true},
        {"the first line alone, no line feed", first, true},
        {"CRLF and trailing spaces", first + "  \r \r\nweb/a.txt\r\n", true},
        {"one byte-order mark", "\xEF\xBB\xBF" + first + "\n", true},
        {"two byte-order marks", "\xEF\xBB\xBF\xEF\xBB\xBF" + first + "\n", false},
        {"empty", "", false},
        {"zero-filled", std::string(4096, '\0'), false},
        {"the header's size in zeros", std::string(kManifestHeader.size(), '\0'), false},
        {"a line feed before it", "\n" + first + "\n", false},
        {"a leading space", " " + first + "\n", false},
        {"a trailing tab", first + "\t\n", false},
        {"cut short", first.substr(0, first.size() - 1) + "\n", false},
        {"another comment first", "# edited by hand\n" + std::string(kManifestHeader), false},
        {"the second header line first", std::string(kManifestHeader.substr(kManifestHeader.find('\n') + 1)), false},
        {"file lines only", "TessarkStudio.exe\nuninstall.exe\n", false},
    };
    for (const auto& c : cases) EXPECT_EQ(startsWithManifestHeader(c.bytes), c.manifest) << c.name;
}

TEST(ManifestRoundTrip, AWrittenManifestReadsBackToItsPathsInOrder) {
    std::string bytes(kManifestHeader);
    bytes += "TessarkStudio.exe\nuninstall.exe\nweb/css/app.css\n";
    bytes += "@C:\\users\\me\\Start Menu\\Programs\\Tessark Studio.lnk\n";
    bytes += "@C:\\users\\me\\Desktop\\Tessark Studio.lnk\n";
    const std::vector<Acted> expected = {
        {Kind::File, "TessarkStudio.exe"},
        {Kind::File, "uninstall.exe"},
        {Kind::File, "web/css/app.css"},
        {Kind::Shortcut, "C:\\users\\me\\Start Menu\\Programs\\Tessark Studio.lnk"},
        {Kind::Shortcut, "C:\\users\\me\\Desktop\\Tessark Studio.lnk"},
    };
    EXPECT_EQ(actedOn(bytes), expected);
    EXPECT_EQ(readManifestLines(bytes).size(), 4u + 5u + 1u);
}

}  // namespace
