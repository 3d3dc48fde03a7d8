// The checks before a window install, with the real message boxes answered
// by a driver thread: which folders are refused and with which words, when
// the foreign-files question comes and how it defaults, and the order of the
// checks up to the running application.
#include "owner_window.h"
#include "platform/install_folder.h"
#include "support/dialog_driver.h"
#include "support/fake_app_window.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ts::DialogAnswer;
using ts::DialogDriver;
using ts::SeenDialog;

constexpr wchar_t kCaption[] = L"Tessark Studio";

std::wstring foreignFilesQuestion(const std::wstring& folder) {
    return L"This folder already contains other files:\n\n" + folder +
           L"\n\nTessark Studio will be written into it alongside them. Continue?";
}

class ValidateInstallFolder : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(owner_.get(), nullptr); }

    // Runs the checks with the driver answering; returns the result and what was shown.
    bool validate(const std::wstring& folder, std::vector<DialogAnswer> answers, std::vector<SeenDialog>& seen) {
        DialogDriver driver(kCaption, std::move(answers));
        const bool accepted = validateInstallFolder(owner_.get(), folder);
        seen = driver.finish();
        for (const SeenDialog& dialog : seen) EXPECT_EQ(dialog.owner, owner_.get());
        return accepted;
    }

    void expectForeignFilesQuestion(const SeenDialog& dialog, const std::wstring& folder) {
        EXPECT_EQ(dialog.text, foreignFilesQuestion(folder));
        EXPECT_EQ(dialog.buttonIds(), (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(dialog.defaultButton(), IDNO) << "Enter must not agree";
        EXPECT_EQ(dialog.icon, LoadIconW(nullptr, IDI_QUESTION));
    }

    ts::OwnerWindow owner_;
    ts::TempDir temp_;
};

struct RefusedFolder {
    const char* name;
    std::wstring folder;
    std::wstring message;
};

class RefusedFolders : public ValidateInstallFolder, public testing::WithParamInterface<RefusedFolder> {};

TEST_P(RefusedFolders, AreRefusedWithAWarning) {
    std::vector<SeenDialog> seen;
    EXPECT_FALSE(validate(GetParam().folder, {DialogAnswer::button(IDOK)}, seen));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, GetParam().message);
    EXPECT_EQ(seen[0].buttonIds(), (std::vector<int>{IDOK}));
    EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_WARNING));
    EXPECT_EQ(silentInstallFolderRefusal(GetParam().folder), GetParam().message) << "a silent install";
}

const std::wstring kNotLocal = L"Choose a folder on a local drive.";
const std::wstring kDriveRoot = L"Installing into the root of a drive is not supported.";

INSTANTIATE_TEST_SUITE_P(
    Paths, RefusedFolders,
    testing::Values(RefusedFolder{"Empty", L"", kNotLocal},
                    RefusedFolder{"DriveOnly", L"C:", kNotLocal},
                    RefusedFolder{"DriveRoot", L"C:\\", kNotLocal},
                    RefusedFolder{"ShortName", L"abc", kNotLocal},
                    RefusedFolder{"NoColon", L"Programs\\Tessark Studio", kNotLocal},
                    RefusedFolder{"ColonLater", L"\\C:\\Apps", kNotLocal},
                    RefusedFolder{"Unc", L"\\\\server\\share\\Tessark Studio", kNotLocal},
                    RefusedFolder{"DriveRelativeName", L"C:Folder", kDriveRoot},
                    RefusedFolder{"DriveRelativeLongName", L"D:Tessark Studio", kDriveRoot}),
    [](const testing::TestParamInfo<RefusedFolder>& info) { return std::string(info.param.name); });

// What an uninstall leaves: its own copy until the self-deletion, and the
// application's settings and session, in any letter case.
void writeOurLeftovers(const std::wstring& folder) {
    for (const wchar_t* name : {L"uninstall.exe", L"TESSARK-STUDIO.JSON", L"session-url.txt"}) {
        ASSERT_TRUE(ts::writeFile(folder + L"\\" + name, "x"));
    }
}

TEST_F(ValidateInstallFolder, AcceptsAMissingEmptyOrLeftoversOnlyFolderWithoutAsking) {
    ASSERT_TRUE(CreateDirectoryW((temp_ / L"empty").c_str(), nullptr));
    writeOurLeftovers(temp_ / L"leftovers");
    for (const std::wstring& folder : {temp_ / L"Not there yet\\Tessark Studio", temp_ / L"empty", temp_ / L"leftovers"}) {
        std::vector<SeenDialog> seen;
        EXPECT_TRUE(validate(folder, {}, seen)) << ts::narrow(folder);
        EXPECT_TRUE(seen.empty());
    }
}

// A silent install cannot ask: what the window would ask about is refused,
// what it accepts without asking goes on.
TEST_F(ValidateInstallFolder, SilentChecksRefuseWhatTheWindowWouldAskAbout) {
    ASSERT_TRUE(CreateDirectoryW((temp_ / L"empty").c_str(), nullptr));
    writeOurLeftovers(temp_ / L"leftovers");
    writeOurLeftovers(temp_ / L"leftovers and more");
    ASSERT_TRUE(ts::writeFile(temp_ / L"leftovers and more\\notes.txt", "mine"));
    ASSERT_TRUE(ts::writeFile(temp_ / L"update\\install-manifest.txt", "# manifest\n"));
    ASSERT_TRUE(ts::writeFile(temp_ / L"update\\notes.txt", "mine"));
    ASSERT_TRUE(CreateDirectoryW((temp_ / L"named folder").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((temp_ / L"named folder\\uninstall.exe").c_str(), nullptr));
    const struct {
        std::wstring folder;
        bool refused;
    } cases[] = {
        {temp_ / L"missing", false},          {temp_ / L"empty", false},
        {temp_ / L"leftovers", false},        {temp_ / L"update", false},
        {temp_ / L"leftovers and more", true}, {temp_ / L"named folder", true},
    };
    for (const auto& c : cases) {
        const std::wstring expected = c.refused ? L"This folder already contains other files:\n\n" + c.folder +
                                                      L"\n\nChoose an empty folder or run the installer with its window."
                                                : L"";
        EXPECT_EQ(silentInstallFolderRefusal(c.folder), expected);
    }
}

TEST_F(ValidateInstallFolder, AcceptsAnEarlierInstallAmongOtherFilesWithoutAsking) {
    ASSERT_TRUE(ts::writeFile(temp_ / L"app\\install-manifest.txt", "# manifest\n"));
    ASSERT_TRUE(ts::writeFile(temp_ / L"app\\notes.txt", "mine"));
    std::vector<SeenDialog> seen;
    EXPECT_TRUE(validate(temp_ / L"app", {}, seen));
    EXPECT_TRUE(seen.empty());
}

TEST_F(ValidateInstallFolder, AsksAboutAFolderHoldingOnlyAHiddenFile) {
    const std::wstring folder = temp_ / L"hidden";
    ASSERT_TRUE(ts::writeFile(folder + L"\\desktop.ini", "x"));
    ASSERT_TRUE(SetFileAttributesW((folder + L"\\desktop.ini").c_str(), FILE_ATTRIBUTE_HIDDEN));

    std::vector<SeenDialog> seen;
    EXPECT_FALSE(validate(folder, {DialogAnswer::button(IDNO)}, seen)) << "No refuses";
    ASSERT_EQ(seen.size(), 1u);
    expectForeignFilesQuestion(seen[0], folder);

    EXPECT_FALSE(validate(folder, {DialogAnswer::enter()}, seen)) << "Enter answers No";
    EXPECT_EQ(seen.size(), 1u);

    EXPECT_TRUE(validate(folder, {DialogAnswer::button(IDYES)}, seen)) << "Yes goes on";
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(ValidateInstallFolder, AsksWhenTheManifestNameIsAFolder) {
    const std::wstring folder = temp_ / L"odd";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\install-manifest.txt").c_str(), nullptr));
    std::vector<SeenDialog> seen;
    EXPECT_FALSE(validate(folder, {DialogAnswer::button(IDNO)}, seen));
    ASSERT_EQ(seen.size(), 1u);
    expectForeignFilesQuestion(seen[0], folder);
}

TEST_F(ValidateInstallFolder, AsksAboutTheRunningAppOnlyAfterTheFolderIsAccepted) {
    ts::FakeAppWindow app(ts::FakeAppWindow::OnClose::CloseAtOnce);
    std::vector<SeenDialog> seen;
    EXPECT_FALSE(validate(L"C:\\", {DialogAnswer::button(IDOK)}, seen));
    ASSERT_EQ(seen.size(), 1u) << "a refused folder ends the checks";
    EXPECT_EQ(seen[0].text, kNotLocal);

    const std::wstring folder = temp_ / L"foreign";
    ASSERT_TRUE(ts::writeFile(folder + L"\\readme.txt", "x"));
    EXPECT_FALSE(validate(folder, {DialogAnswer::button(IDYES), DialogAnswer::button(IDNO)}, seen));
    ASSERT_EQ(seen.size(), 2u);
    expectForeignFilesQuestion(seen[0], folder);
    EXPECT_EQ(seen[1].text,
              L"Tessark Studio is open. It has to close before its files can be replaced.\n\nClose it now?");
    EXPECT_EQ(app.closeRequests(), 0);

    EXPECT_TRUE(validate(folder, {DialogAnswer::button(IDYES), DialogAnswer::button(IDYES)}, seen));
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(app.closeRequests(), 1);
    EXPECT_FALSE(app.isOpen());
}

}  // namespace
