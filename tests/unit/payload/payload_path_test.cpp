// The payload path rule: which paths the installer may write, and which
// pairs of paths Windows would turn into one file.
#include "payload/core/payload_path.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using payload_path::Fault;

struct PathCase {
    std::string path;
    Fault expected;
};

TEST(PayloadPath, RuleTable) {
    const PathCase cases[] = {
        {"TessarkStudio.exe", Fault::None},
        {"web/js/app.js", Fault::None},
        {"web/.hidden", Fault::None},
        {"LICENSE", Fault::None},
        {"web/conf.txt", Fault::None},          // CON is a device, "conf" is not
        {"web/COM10", Fault::None},             // only COM1-9 are devices
        {"web/LPT", Fault::None},
        {"fonts/caf\xC3\xA9.txt", Fault::None},  // é in UTF-8
        {"a b/c d.txt", Fault::None},
        {"", Fault::Empty},
        {"/etc/passwd", Fault::Absolute},
        {"\\windows\\evil.dll", Fault::Absolute},
        {"web\\app.js", Fault::Backslash},
        {"C:evil.dll", Fault::Colon},
        {"file.txt:stream", Fault::Colon},
        {"../evil.dll", Fault::DotDot},
        {"web/../../evil.dll", Fault::DotDot},
        {"web/a..b.txt", Fault::DotDot},
        {"web//app.js", Fault::EmptyComponent},
        {"web/", Fault::EmptyComponent},
        {"web/./app.js", Fault::TrailingDotOrSpace},
        {"web/app.", Fault::TrailingDotOrSpace},
        {"web /app.js", Fault::TrailingDotOrSpace},
        {"CON", Fault::DeviceName},
        {"web/nul.txt", Fault::DeviceName},
        {"web/Aux.tar.gz", Fault::DeviceName},
        {"web/com1", Fault::DeviceName},
        {"web/LPT9.log", Fault::DeviceName},
        {"web/CON .txt", Fault::DeviceName},
        {"web/COM\xC2\xB9", Fault::DeviceName},  // COM¹
        {"web/conout$", Fault::DeviceName},
        {"web/a<b", Fault::ForbiddenCharacter},
        {"web/a>b", Fault::ForbiddenCharacter},
        {"web/\"a\"", Fault::ForbiddenCharacter},
        {"web/a|b", Fault::ForbiddenCharacter},
        {"web/a?", Fault::ForbiddenCharacter},
        {"web/*.js", Fault::ForbiddenCharacter},
        {"web/a\tb", Fault::ControlCharacter},
        {std::string("web/a\0b", 7), Fault::ControlCharacter},
        {"web/\x80.txt", Fault::InvalidUtf8},          // lone continuation byte
        {"web/\xC3.txt", Fault::InvalidUtf8},          // cut-off sequence
        {"web/\xC0\xAF.txt", Fault::InvalidUtf8},      // overlong '/'
        {"web/\xED\xA0\x80.txt", Fault::InvalidUtf8},  // UTF-16 surrogate
        {"web/\xF4\x90\x80\x80", Fault::InvalidUtf8},  // above U+10FFFF
        {"web/\xFF", Fault::InvalidUtf8},
        // What the install manifest would read back as something else.
        {"#notes.txt", Fault::ManifestLineMark},
        {"@scope/pkg/index.js", Fault::ManifestLineMark},
        {"@x/y.lnk", Fault::ManifestLineMark},
        {"web/#notes.txt", Fault::None},
        {"web/@scope/pkg/index.js", Fault::None},
        {"a#b@c.txt", Fault::None},
        {" #notes.txt", Fault::None},  // the manifest trims line ends only
        {"install-manifest.txt", Fault::ManifestName},
        {"INSTALL-MANIFEST.TXT", Fault::ManifestName},
        {"install-manifest.txt.new", Fault::ManifestName},
        {"Install-Manifest.TXT.New/app.js", Fault::ManifestName},
        {"install-manifest.txt/readme", Fault::ManifestName},
        {"web/install-manifest.txt", Fault::None},
        {"install-manifest.txt.old", Fault::None},
        {"install-manifest.tx", Fault::None},
        {"install-manifest.txt.newer", Fault::None},
    };
    for (const PathCase& test : cases) {
        EXPECT_EQ(payload_path::check(test.path), test.expected) << '"' << test.path << '"';
    }
}

std::optional<payload_path::Clash> clashIn(const std::vector<std::string_view>& paths) {
    return payload_path::findClash(paths);
}

TEST(PayloadPath, PathsThatDifferOnlyInLetterCaseClash) {
    const auto clash = clashIn({"TessarkStudio.exe", "web/App.js", "web/app.JS"});
    ASSERT_TRUE(clash);
    EXPECT_EQ(clash->kind, payload_path::ClashKind::SameFile);
    EXPECT_EQ(clash->first, 1u);
    EXPECT_EQ(clash->second, 2u);

    EXPECT_TRUE(clashIn({"a.txt", "a.txt"}));
    EXPECT_TRUE(clashIn({"Web/a.txt", "WEB/A.TXT"}));
    // Both ends of the alphabet fold.
    EXPECT_TRUE(clashIn({"A.txt", "a.txt"}));
    EXPECT_TRUE(clashIn({"web/Z", "web/z"}));
}

TEST(PayloadPath, FileNamedLikeAnotherFilesFolderClashesInEitherOrder) {
    const auto fileFirst = clashIn({"web", "WEB/index.html"});
    ASSERT_TRUE(fileFirst);
    EXPECT_EQ(fileFirst->kind, payload_path::ClashKind::FileIsFolder);
    EXPECT_EQ(fileFirst->first, 0u);

    const auto folderFirst = clashIn({"web/js/app.js", "web/JS"});
    ASSERT_TRUE(folderFirst);
    EXPECT_EQ(folderFirst->kind, payload_path::ClashKind::FileIsFolder);
    EXPECT_EQ(folderFirst->first, 1u);
    EXPECT_EQ(folderFirst->second, 0u);
}

TEST(PayloadPath, DistinctPathsSharingFoldersDoNotClash) {
    EXPECT_FALSE(clashIn({"web/a.js", "web/b.js", "Web/c.js", "web.txt", "webx/a.js"}));
    // Non-ASCII letters are compared as bytes: É and é stay distinct.
    EXPECT_FALSE(clashIn({"\xC3\x89.txt", "\xC3\xA9.txt"}));
    // '@' and '[' flank A-Z; 32 above them, '`' and '{' flank a-z. A fold one
    // character too wide would join them.
    EXPECT_FALSE(clashIn({"web/@.txt", "web/`.txt"}));
    EXPECT_FALSE(clashIn({"web/[.txt", "web/{.txt"}));
}

}  // namespace
