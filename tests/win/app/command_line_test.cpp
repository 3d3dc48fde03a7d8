// The command line, split the Windows way and applied in order.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

CommandLine parse(const wchar_t* arguments) {
    return parseCommandLine((std::wstring(L"\"C:\\Downloads\\TessarkStudioSetup.exe\" ") + arguments).c_str());
}

TEST(CommandLine, NoArgumentsGiveAWindowInstallWithEveryOptionOn) {
    const CommandLine line = parseCommandLine(L"TessarkStudioSetup.exe");
    EXPECT_FALSE(line.silent);
    EXPECT_FALSE(line.uninstallMode);
    EXPECT_FALSE(line.relaunch);
    EXPECT_TRUE(line.install.installDir.empty());
    EXPECT_TRUE(line.install.desktopShortcut);
    EXPECT_TRUE(line.install.startMenuShortcut);
    EXPECT_TRUE(line.install.explorerEntries);
    EXPECT_TRUE(line.install.launchAfter);
    EXPECT_FALSE(line.uninstall.purgeSettings);
}

TEST(CommandLine, SwitchesMatchWholeArgumentsWithoutRegardToCase) {
    struct Case {
        const wchar_t* arguments;
        bool silent, uninstall, relaunch, desktop, startMenu, shell;
    };
    const Case cases[] = {
        {L"/S", true, false, false, true, true, true},
        {L"/s", true, false, false, true, true, true},
        {L"--SILENT", true, false, false, true, true, true},
        {L"--Uninstall", false, true, false, true, true, true},
        {L"--relaunch", false, false, true, true, true, true},
        {L"--no-desktop", false, false, false, false, true, true},
        {L"--NO-STARTMENU", false, false, false, true, false, true},
        {L"--no-shell", false, false, false, true, true, false},
        {L"/S --no-desktop --no-startmenu --no-shell --relaunch", true, false, true, false, false, false},
        {L"/Silent --no-desktops -no-shell /S/ --relaunch=yes", false, false, false, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        const CommandLine line = parse(c.arguments);
        EXPECT_EQ(line.silent, c.silent);
        EXPECT_EQ(line.uninstallMode, c.uninstall);
        EXPECT_EQ(line.relaunch, c.relaunch);
        EXPECT_EQ(line.install.desktopShortcut, c.desktop);
        EXPECT_EQ(line.install.startMenuShortcut, c.startMenu);
        EXPECT_EQ(line.install.explorerEntries, c.shell);
    }
}

TEST(CommandLine, DirPrefixTakesTheRestOfTheArgumentUnchanged) {
    EXPECT_EQ(parse(L"--DIR=D:\\Apps\\Studio").install.installDir, L"D:\\Apps\\Studio");
    EXPECT_EQ(parse(L"\"--dir=C:\\Program Files\\TS\\\\\"").install.installDir, L"C:\\Program Files\\TS\\");
    EXPECT_EQ(parse(L"\"--dir=  relative\\x \"").install.installDir, L"  relative\\x ");
    EXPECT_EQ(parse(L"--dir=").install.installDir, L"");
    EXPECT_EQ(parse(L"--dir=C:\\a --dir=C:\\b").install.installDir, L"C:\\b");
}

TEST(CommandLine, DirWithASpaceInsteadOfEqualsSetsNothing) {
    const CommandLine line = parse(L"--dir C:\\Apps");
    EXPECT_TRUE(line.install.installDir.empty());
}

TEST(CommandLine, QuotesAreRemovedTheWindowsWay) {
    EXPECT_EQ(parse(L"--dir=\"C:\\My Apps\\TS\"").install.installDir, L"C:\\My Apps\\TS");
    EXPECT_TRUE(parse(L"\"/S\"").silent);
}

TEST(CommandLine, TheLaterOfPurgeAndKeepSettingsWins) {
    EXPECT_FALSE(parse(L"--uninstall --purge --keep-settings").uninstall.purgeSettings);
    EXPECT_TRUE(parse(L"--uninstall --keep-settings --purge").uninstall.purgeSettings);
    EXPECT_TRUE(parse(L"--PURGE").uninstall.purgeSettings);
}

TEST(CommandLine, UnknownArgumentsAreIgnored) {
    const CommandLine line = parse(L"--help /? --dirx=C:\\x -S");
    EXPECT_FALSE(line.silent);
    EXPECT_TRUE(line.install.installDir.empty());
}

}  // namespace
