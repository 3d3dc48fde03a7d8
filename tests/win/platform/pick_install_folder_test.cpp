// The "Change…" folder picker, driven through Wine's real file dialog: a
// driver thread types the folder into the dialog's name box and presses
// Open, or presses Cancel. Also the naming rule on its own, for the cases a
// dialog cannot reach.
#include "common/owners.h"
#include "owner_window.h"
#include "platform/install_folder.h"
#include "support/dialog_driver.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

namespace {

constexpr wchar_t kPickerTitle[] = L"Choose where to install Tessark Studio";
// The name box of the common file dialogs (edt1).
constexpr int kFileNameBox = 0x480;

struct PickerSeen {
    bool shown = false;
    HWND owner = nullptr;
};

// Shows the picker owned by `owner`; a driver thread picks `folder`, or
// cancels when there is none. Returns the dialog as the driver found it.
PickerSeen runPicker(HWND owner, const std::optional<std::wstring>& folder, std::wstring& installDir) {
    PickerSeen seen;
    std::thread driver([&] {
        const HWND dialog = ts::waitForDialog(kPickerTitle, 15000);
        if (!dialog) return;
        seen.shown = true;
        seen.owner = GetWindow(dialog, GW_OWNER);
        if (folder) {
            SendMessageW(GetDlgItem(dialog, kFileNameBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder->c_str()));
            ts::answerDialog(dialog, ts::DialogAnswer::button(IDOK));
        } else {
            ts::answerDialog(dialog, ts::DialogAnswer::button(IDCANCEL));
        }
    });
    pickInstallFolder(owner, installDir);
    driver.join();
    return seen;
}

class PickInstallFolder : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(owner_.get(), nullptr); }

    win::ComApartment apartment_;
    ts::OwnerWindow owner_;
    ts::TempDir temp_;
};

TEST_F(PickInstallFolder, AddsTheProductNameBelowAnyOtherFolder) {
    const std::wstring folder = temp_ / L"Apps";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::wstring installDir = L"C:\\before";
    const PickerSeen seen = runPicker(owner_.get(), folder, installDir);
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.owner, owner_.get());
    EXPECT_EQ(installDir, folder + L"\\Tessark Studio");
}

TEST_F(PickInstallFolder, KeepsAFolderAlreadyNamedForTheProductInAnyCase) {
    const std::wstring folder = temp_ / L"tessark STUDIO";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::wstring installDir = L"C:\\before";
    ASSERT_TRUE(runPicker(owner_.get(), folder, installDir).shown);
    EXPECT_EQ(installDir, folder);
}

TEST_F(PickInstallFolder, AddsTheProductNameBelowADriveRoot) {
    std::wstring installDir = L"C:\\before";
    ASSERT_TRUE(runPicker(owner_.get(), L"C:\\", installDir).shown);
    EXPECT_EQ(installDir, L"C:\\Tessark Studio");
}

TEST_F(PickInstallFolder, CancellingLeavesTheFolderAlone) {
    std::wstring installDir = L"C:\\before";
    ASSERT_TRUE(runPicker(owner_.get(), std::nullopt, installDir).shown);
    EXPECT_EQ(installDir, L"C:\\before");
}

struct PickedFolder {
    std::wstring picked;
    std::wstring installDir;
};

class InstallDirForPickedFolder : public testing::TestWithParam<PickedFolder> {};

TEST_P(InstallDirForPickedFolder, AddsTheProductNameUnlessTheFolderHasIt) {
    EXPECT_EQ(installDirForPickedFolder(GetParam().picked), GetParam().installDir);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, InstallDirForPickedFolder,
    testing::Values(PickedFolder{L"C:\\Apps", L"C:\\Apps\\Tessark Studio"},
                    PickedFolder{L"C:\\", L"C:\\Tessark Studio"},
                    PickedFolder{L"D:\\Apps\\Tessark Studio", L"D:\\Apps\\Tessark Studio"},
                    PickedFolder{L"D:\\Apps\\tessark studio", L"D:\\Apps\\tessark studio"},
                    PickedFolder{L"D:\\TESSARK STUDIO", L"D:\\TESSARK STUDIO"},
                    PickedFolder{L"D:\\Tessark Studio 2", L"D:\\Tessark Studio 2\\Tessark Studio"},
                    PickedFolder{L"D:\\Tessark Studio\\bin", L"D:\\Tessark Studio\\bin\\Tessark Studio"},
                    PickedFolder{L"D:\\TessarkStudio", L"D:\\TessarkStudio\\Tessark Studio"}));

}  // namespace
