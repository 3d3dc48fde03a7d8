// The path routines every layer builds its paths with: both separators, a
// first part that already ends in one, and empty parts.
#include "common/core/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct JoinCase {
    std::wstring a;
    std::wstring b;
    std::wstring joined;
};

TEST(Paths, JoinPathAddsOneBackslashOnlyWhereNeitherPartHasOne) {
    const JoinCase cases[] = {
        {L"C:\\Apps", L"Tessark Studio", L"C:\\Apps\\Tessark Studio"},
        {L"C:\\Apps\\", L"Tessark Studio", L"C:\\Apps\\Tessark Studio"},
        {L"C:/Apps/", L"web/app.js", L"C:/Apps/web/app.js"},
        {L"C:\\", L"x", L"C:\\x"},
        {L"", L"uninstall.exe", L"uninstall.exe"},
        {L"C:\\Apps", L"", L"C:\\Apps"},
        {L"", L"", L""},
    };
    for (const JoinCase& c : cases) {
        EXPECT_EQ(joinPath(c.a, c.b), c.joined) << '"' << c.a << "\" + \"" << c.b << '"';
    }
}

struct SplitCase {
    std::wstring path;
    std::wstring parent;
    std::wstring name;
};

TEST(Paths, ParentPathAndFileNameSplitAtTheLastSeparatorOfEitherKind) {
    const SplitCase cases[] = {
        {L"C:\\Apps\\TS\\uninstall.exe", L"C:\\Apps\\TS", L"uninstall.exe"},
        {L"web/js/app.js", L"web/js", L"app.js"},
        {L"C:\\Apps\\TS/web\\a.js", L"C:\\Apps\\TS/web", L"a.js"},
        {L"C:\\Apps/TS", L"C:\\Apps", L"TS"},
        {L"C:\\Apps\\", L"C:\\Apps", L""},
        {L"\\x", L"", L"x"},
        {L"uninstall.exe", L"", L"uninstall.exe"},
        {L"", L"", L""},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(parentPath(c.path), c.parent) << '"' << c.path << '"';
        EXPECT_EQ(fileName(c.path), c.name) << '"' << c.path << '"';
    }
}

}  // namespace
