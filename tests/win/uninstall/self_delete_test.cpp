// The delayed self-deletion: its exact command line and variables, the
// environment it runs in, and real runs of the hidden command interpreter
// under Wine.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "uninstall/self_delete.h"

#include <string>
#include <vector>

namespace {

constexpr wchar_t kCommandLine[] =
    L"cmd.exe /d /v:off /c ping -n 3 127.0.0.1 >nul & "
    L"del /f /q \"%TESSARK_UNINSTALLER%\" & rd \"%TESSARK_INSTALL_DIR%\"";

struct PlanCase {
    const wchar_t* installDir;
    const wchar_t* folder;       // TESSARK_INSTALL_DIR
    const wchar_t* uninstaller;  // TESSARK_UNINSTALLER
    std::vector<std::wstring> ownReferences;  // names set to "%NAME%" for Wine's interpreter
};

// Install folder → the variables. The command line never changes: no path is
// part of what the interpreter parses, so '%', '!', '&', '^' and the quoting
// of a folder name cannot become syntax.
const PlanCase kPlans[] = {
    {L"C:\\Users\\Ann Lee\\AppData\\Local\\Programs\\Tessark Studio",
     L"C:\\Users\\Ann Lee\\AppData\\Local\\Programs\\Tessark Studio",
     L"C:\\Users\\Ann Lee\\AppData\\Local\\Programs\\Tessark Studio\\uninstall.exe", {}},
    {L"D:\\pct%PATH%x &^!();' \u00e9", L"D:\\pct%PATH%x &^!();' \u00e9",
     L"D:\\pct%PATH%x &^!();' \u00e9\\uninstall.exe", {L"PATH"}},
    {L"D:\\a%CMDCMDLINE%b", L"D:\\a%CMDCMDLINE%b", L"D:\\a%CMDCMDLINE%b\\uninstall.exe", {L"CMDCMDLINE"}},
    {L"D:\\%CD%%Y:~1%", L"D:\\%CD%%Y:~1%", L"D:\\%CD%%Y:~1%\\uninstall.exe", {L"CD", L"Y"}},
    {L"D:\\100% sure", L"D:\\100% sure", L"D:\\100% sure\\uninstall.exe", {}},
    {L"D:\\a%b=c%d", L"D:\\a%b=c%d", L"D:\\a%b=c%d\\uninstall.exe", {}},  // no variable name holds '='
    {L"\\\\server\\share\\TS", L"\\\\server\\share\\TS", L"\\\\server\\share\\TS\\uninstall.exe", {}},
    // The uninstaller of a drive-root install runs from "D:", which cmd.exe
    // reads as the folder it last used on drive D.
    {L"D:", L"D:\\", L"D:\\uninstall.exe", {}},
    {L"D:\\", L"D:\\", L"D:\\uninstall.exe", {}},
};

TEST(PlanSelfDeletion, PassesThePathsOnlyThroughVariables) {
    for (const PlanCase& c : kPlans) {
        const SelfDeletion plan = planSelfDeletion(c.installDir);
        EXPECT_EQ(plan.commandLine, kCommandLine) << ts::narrow(c.installDir);
        std::vector<EnvironmentVariable> expected = {{L"TESSARK_UNINSTALLER", c.uninstaller},
                                                     {L"TESSARK_INSTALL_DIR", c.folder}};
        for (const std::wstring& name : c.ownReferences) expected.push_back({name, L"%" + name + L"%"});
        ASSERT_EQ(plan.variables.size(), expected.size()) << ts::narrow(c.installDir);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(plan.variables[i].name, expected[i].name) << ts::narrow(c.installDir);
            EXPECT_EQ(plan.variables[i].value, expected[i].value) << ts::narrow(c.installDir);
        }
    }
}

std::wstring block(std::initializer_list<const wchar_t*> entries) {
    std::wstring text;
    for (const wchar_t* entry : entries) {
        text += entry;
        text += L'\0';
    }
    return text + L'\0';
}

TEST(EnvironmentBlockWith, SetsTheVariablesOverTheParentsInNameOrder) {
    const std::wstring parent = block({L"=C:=C:\\Users\\ann", L"ALLUSERSPROFILE=C:\\ProgramData", L"Path=C:\\bin",
                                       L"tessark_install_dir=E:\\old", L"windir=C:\\Windows"});
    const std::wstring result = environmentBlockWith(
        parent.c_str(), {{L"TESSARK_INSTALL_DIR", L"D:\\new"}, {L"PATH", L"%PATH%"}, {L"CMDCMDLINE", L"%CMDCMDLINE%"}});
    EXPECT_EQ(result, block({L"=C:=C:\\Users\\ann", L"ALLUSERSPROFILE=C:\\ProgramData", L"CMDCMDLINE=%CMDCMDLINE%",
                             L"PATH=%PATH%", L"TESSARK_INSTALL_DIR=D:\\new", L"windir=C:\\Windows"}));
    EXPECT_EQ(environmentBlockWith(nullptr, {{L"A", L"1"}}), block({L"A=1"}));
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
