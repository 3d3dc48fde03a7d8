// The delayed self-deletion: its exact command line, and real runs of the
// hidden command interpreter under Wine.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "uninstall/self_delete.h"

namespace {

struct CommandLineCase {
    const wchar_t* installDir;
    const wchar_t* expected;
};

// Install folder → interpreter command line. Every path is quoted, so blanks
// in it are safe; the removal is never recursive.
const CommandLineCase kCommandLines[] = {
    {L"C:\\Users\\Ann Lee\\AppData\\Local\\Programs\\Tessark Studio",
     L"cmd.exe /c ping -n 3 127.0.0.1 >nul & "
     L"del /f /q \"C:\\Users\\Ann Lee\\AppData\\Local\\Programs\\Tessark Studio\\uninstall.exe\" & "
     L"rd \"C:\\Users\\Ann Lee\\AppData\\Local\\Programs\\Tessark Studio\""},
    {L"D:\\Apps\\TS",
     L"cmd.exe /c ping -n 3 127.0.0.1 >nul & del /f /q \"D:\\Apps\\TS\\uninstall.exe\" & rd \"D:\\Apps\\TS\""},
};

TEST(SelfDeleteCommandLine, QuotesEveryPathAndRemovesTheFolderOnlyWhenEmpty) {
    for (const CommandLineCase& c : kCommandLines) {
        EXPECT_EQ(selfDeleteCommandLine(c.installDir), c.expected) << ts::narrow(c.installDir);
    }
}

// A fake install folder with a blank in its name and a non-running
// "uninstall.exe" in it, read-only as a file of the payload may be.
class ScheduleSelfDelete : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ts::writeFile(uninstaller, "MZ"));
        ASSERT_TRUE(SetFileAttributesW(uninstaller.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    bool folderGoneWithin(DWORD ms) const {
        return ts::waitUntil([&] { return !ts::directoryExists(installDir); }, ms);
    }
    bool uninstallerGoneWithin(DWORD ms) const {
        return ts::waitUntil([&] { return !ts::fileExists(uninstaller); }, ms);
    }

    static constexpr DWORD kPatienceMs = 20000;
    ts::TempDir temp;
    std::wstring installDir = temp / L"Tessark Studio";
    std::wstring uninstaller = installDir + L"\\uninstall.exe";
};

TEST_F(ScheduleSelfDelete, RemovesTheUninstallerAndTheFolderAfterThePause) {
    const ULONGLONG start = GetTickCount64();
    scheduleSelfDelete(installDir, false);
    EXPECT_LT(GetTickCount64() - start, 1000u) << "the call must not wait for the interpreter";
    EXPECT_TRUE(ts::fileExists(uninstaller)) << "deleted before the pause";
    EXPECT_TRUE(folderGoneWithin(kPatienceMs));
}

TEST_F(ScheduleSelfDelete, PurgeKeepsAFolderThatHoldsFilesItDidNotWrite) {
    ASSERT_TRUE(ts::writeFile(installDir + L"\\notes\\my work.txt", "the user's own"));
    scheduleSelfDelete(installDir, true);
    EXPECT_TRUE(uninstallerGoneWithin(kPatienceMs));
    EXPECT_TRUE(ts::waitForProcessesToEnd(L"cmd.exe", kPatienceMs)) << "the rd runs after the del, then it ends";
    EXPECT_TRUE(ts::fileExists(installDir + L"\\notes\\my work.txt"));
}

// Windows refuses to remove a folder that is a process's current folder, and
// a child starts in its parent's current folder unless told otherwise.
TEST_F(ScheduleSelfDelete, RemovesTheFolderEvenWhenStartedFromInsideIt) {
    wchar_t previous[MAX_PATH + 1]{};
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH + 1, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(installDir.c_str()));
    scheduleSelfDelete(installDir, false);
    ASSERT_TRUE(SetCurrentDirectoryW(previous));  // as the uninstaller's exit would release it
    EXPECT_TRUE(folderGoneWithin(kPatienceMs));
}

}  // namespace
