// The runs of the built executables: the early payload failure in a window
// run and a silent run, the uninstaller's window, one setup at a time, and the
// resources both executables carry.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
// The self-deletion's interpreter pauses about two seconds before it deletes.
constexpr DWORD kSelfDeleteLimitMs = 20000;

// An uninstaller starts its self-deletion before it exits; once every
// interpreter has ended, a file still there was not deleted and will not be.
bool selfDeletionOver() { return ts::waitForProcessesToEnd(L"cmd.exe", kSelfDeleteLimitMs); }

std::wstring dialogText(HWND dialog) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, 0xFFFF, text, 1024);  // the message box's static text
    return text;
}

// Watches for any message box for as long as it lives.
class DialogWatch {
public:
    DialogWatch() : thread_([this] {
        while (!stop_) {
            if (FindWindowW(L"#32770", nullptr)) seen_ = true;
            Sleep(20);
        }
    }) {}
    ~DialogWatch() { stop_ = true; thread_.join(); }
    bool seen() const { return seen_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

struct BrokenSetup {
    const wchar_t* exe;
    const wchar_t* message;
};

const BrokenSetup kBrokenSetups[] = {
    {L"setup_wrong_version.exe", L"The payload was written by a different version of the packer."},
    {L"setup_without_payload.exe", L"This installer was built without its payload."},
    {L"setup_truncated_payload.exe", L"The payload is truncated."},
};

TEST(Runs, SilentRunWithABadPayloadExitsOneWithTheMessageAndNoDialog) {
    for (const auto& setup : kBrokenSetups) {
        SCOPED_TRACE(ts::narrow(setup.exe));
        ts::ProcessResult result;
        bool dialogSeen = false;
        {
            DialogWatch watch;
            result = ts::run(ts::quoted(ts::binPath(setup.exe)) + L" /S");
            dialogSeen = watch.seen();
        }
        ASSERT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_FALSE(dialogSeen);
        EXPECT_NE(result.output.find(ts::narrow(setup.message)), std::string::npos) << result.output;
    }
}

TEST(Runs, WindowRunWithABadPayloadShowsTheMessageBoxAndExitsOne) {
    for (const auto& setup : kBrokenSetups) {
        SCOPED_TRACE(ts::narrow(setup.exe));
        ts::Child child(ts::quoted(ts::binPath(setup.exe)));
        ASSERT_TRUE(child.started());
        HWND box = ts::waitForWindow(L"#32770", L"Tessark Studio", kStartTimeoutMs);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(dialogText(box), setup.message);
        EXPECT_EQ(FindWindowW(L"TessarkStudioSetupWindow", nullptr), nullptr);
        EXPECT_FALSE(child.wait(500).has_value()) << "the box must block until answered";
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(child.wait(kStartTimeoutMs), std::optional<DWORD>(1));
    }
}

TEST(Runs, UninstallerWithoutArgumentsOpensTheUninstallWindowAndLeavesNothingOnCancel) {
    ts::TempDir folder;
    const std::wstring uninstaller = folder / L"uninstall.exe";
    ASSERT_TRUE(CopyFileW(ts::binPath(L"uninstall.exe").c_str(), uninstaller.c_str(), FALSE));
    ts::Child child(ts::quoted(uninstaller));
    HWND window = ts::waitForWindow(L"TessarkStudioSetupWindow", L"Uninstall Tessark Studio", kStartTimeoutMs);
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(child.wait(kStartTimeoutMs), std::optional<DWORD>(0));
    EXPECT_TRUE(selfDeletionOver());
    EXPECT_TRUE(ts::fileExists(uninstaller));
}

TEST(Runs, SilentUninstallWithoutAManifestFailsAndNamesTheFolder) {
    ts::TempDir folder;
    const std::wstring uninstaller = folder / L"uninstall.exe";
    ASSERT_TRUE(CopyFileW(ts::binPath(L"uninstall.exe").c_str(), uninstaller.c_str(), FALSE));
    const ts::ProcessResult result = ts::run(ts::quoted(uninstaller) + L" /S");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.output.find("install-manifest.txt is missing"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(ts::narrow(folder.path())), std::string::npos) << result.output;
    EXPECT_TRUE(selfDeletionOver());
    EXPECT_TRUE(ts::fileExists(uninstaller)) << "a failed uninstall must not delete itself";
}

// ---- one setup at a time ----

constexpr char kAnotherSetupRunning[] = "Another Tessark Studio setup is already running.";

// The first run waits on its welcome screen; every later run, install or
// uninstall, silent or not, is turned away without touching anything, and
// the first then installs as if nothing had happened.
TEST(Runs, SecondSetupWhileAWindowRunIsOpenIsRefusedAndTheFirstGoesOn) {
    ts::TempDir temp;
    const std::wstring folder = temp / L"Tessark Studio";
    const std::wstring setup = ts::quoted(ts::binPath(L"TessarkStudioSetup.exe"));
    const std::wstring uninstaller = temp / L"uninstall.exe";
    ASSERT_TRUE(CopyFileW(ts::binPath(L"uninstall.exe").c_str(), uninstaller.c_str(), FALSE));
    ts::Child first(setup + L" --no-shell --no-desktop --no-startmenu " + ts::quoted(L"--dir=" + folder));
    const HWND window = ts::waitForWindow(L"TessarkStudioSetupWindow", nullptr, kStartTimeoutMs);
    ASSERT_NE(window, nullptr);

    for (const std::wstring& second : {setup + L" /S " + ts::quoted(L"--dir=" + folder), ts::quoted(uninstaller) + L" /S"}) {
        SCOPED_TRACE(ts::narrow(second));
        DialogWatch watch;
        const ts::ProcessResult result = ts::run(second);
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_NE(result.output.find(kAnotherSetupRunning), std::string::npos) << result.output;
        EXPECT_FALSE(watch.seen());
    }
    EXPECT_FALSE(ts::directoryExists(folder));
    EXPECT_TRUE(ts::fileExists(uninstaller));

    {
        // Something else in front, so that the first has to be brought forward.
        const HWND other = CreateWindowExW(0, L"STATIC", L"in front", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                           nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(other);
        DialogWatch watch;
        ts::Child second(setup);
        EXPECT_EQ(second.wait(kStartTimeoutMs), std::optional<DWORD>(1));
        EXPECT_FALSE(watch.seen());
        EXPECT_EQ(GetForegroundWindow(), window) << "the running setup comes to the front";
        DestroyWindow(other);
    }

    PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);  // "Install"
    const auto installed = [&] { return ts::fileExists(folder + L"\\install-manifest.txt"); };
    EXPECT_TRUE(ts::waitUntil(installed, 120000));
    // Closing is ignored until the install is done; then it closes and opens the application.
    const auto closed = [&] {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return first.wait(0).has_value();
    };
    EXPECT_TRUE(ts::waitUntil(closed, kStartTimeoutMs));
    EXPECT_EQ(first.wait(0), std::optional<DWORD>(0));
    if (const HWND app = ts::waitForWindow(L"TessarkStudioHostWindow", nullptr, kStartTimeoutMs)) {
        PostMessageW(app, WM_CLOSE, 0, 0);
    }
}

// setup_wrong_version.exe holds the setup's place while it shows its payload
// message, without a window of its own to bring forward.
TEST(Runs, SecondWindowRunWhileTheFirstShowsNoWindowSaysSoInAMessageBox) {
    ts::Child first(ts::quoted(ts::binPath(L"setup_wrong_version.exe")));
    const HWND firstBox = ts::waitForWindow(L"#32770", L"Tessark Studio", kStartTimeoutMs);
    ASSERT_NE(firstBox, nullptr);

    ts::Child second(ts::quoted(ts::binPath(L"TessarkStudioSetup.exe")));
    HWND box = nullptr;  // the other message box of that caption, above or below the first's
    const auto secondBox = [&] {
        box = FindWindowExW(nullptr, nullptr, L"#32770", L"Tessark Studio");
        if (box == firstBox) box = FindWindowExW(nullptr, firstBox, L"#32770", L"Tessark Studio");
        return box != nullptr;
    };
    ASSERT_TRUE(ts::waitUntil(secondBox, kStartTimeoutMs));
    EXPECT_EQ(dialogText(box), ts::widen(kAnotherSetupRunning));
    EXPECT_EQ(FindWindowW(L"TessarkStudioSetupWindow", nullptr), nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(second.wait(kStartTimeoutMs), std::optional<DWORD>(1));

    PostMessageW(firstBox, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(first.wait(kStartTimeoutMs), std::optional<DWORD>(1));
}

// The manifest and the version record, read back from the files as Windows
// reads them.
class Resources : public testing::TestWithParam<const wchar_t*> {};

std::string resourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    return bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
}

std::wstring versionString(const std::string& record, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(record.data(), query.c_str(), &value, &length) || length == 0) return {};
    return static_cast<const wchar_t*>(value);
}

TEST_P(Resources, CarryTheManifestAndTheVersionRecord) {
    const std::wstring exe = ts::binPath(GetParam());
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    const std::string manifest = resourceBytes(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    EXPECT_NE(manifest.find(R"(level="asInvoker" uiAccess="false")"), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("true/pm"), std::string::npos);
    EXPECT_NE(manifest.find(">UTF-8<"), std::string::npos);
    EXPECT_NE(manifest.find(R"(name="Tessark.Studio.Setup" version="0.1.0.0" processorArchitecture="amd64")"),
              std::string::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("{1f676c76-80e1-4239-95bb-83d0f6d0da78}"), std::string::npos);
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
    EXPECT_FALSE(resourceBytes(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON).empty());

    const std::string record = resourceBytes(module, MAKEINTRESOURCEW(1), RT_VERSION);
    ASSERT_FALSE(record.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(2, 0));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 5));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(2, 0));
    EXPECT_EQ(versionString(record, L"ProductName"), L"Tessark Studio");
    EXPECT_EQ(versionString(record, L"FileDescription"), L"Tessark Studio installer");
    EXPECT_EQ(versionString(record, L"CompanyName"), L"Tessark");
    EXPECT_EQ(versionString(record, L"InternalName"), L"TessarkStudioSetup");
    EXPECT_EQ(versionString(record, L"FileVersion"), L"0.2.5.0");
    EXPECT_EQ(versionString(record, L"OriginalFilename"), GetParam());
    FreeLibrary(module);
}

INSTANTIATE_TEST_SUITE_P(BothExecutables, Resources,
                         testing::Values(L"TessarkStudioSetup.exe", L"uninstall.exe"));

}  // namespace
