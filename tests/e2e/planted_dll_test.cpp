// No DLL planting: an installer is started from a Downloads folder, where
// anyone can drop a DLL beside it. Stand-ins for the DLLs the installer loads
// itself (cabinet.dll, gdiplus.dll, dwmapi.dll, and oleacc.dll once a screen
// reader asks for the window's accessible object), each leaving a marker file
// when loaded, are planted beside a copy of the installer and beside the
// installed uninstaller; WINEDLLOVERRIDES (set by CMakeLists.txt) asks Wine
// to prefer such native DLLs over its own. A silent install, a window run
// read by a screen reader and a silent uninstall must succeed and leave no
// marker.
//
// DLLs that user32 itself pulls in (version.dll, for one) are not planted:
// Wine loads those from the program's folder before any code of ours runs,
// which Windows, with its KnownDLLs, does not.
#include "common/core/product.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kPlantedDlls[] = {L"cabinet.dll", L"gdiplus.dll", L"dwmapi.dll", L"oleacc.dll"};
constexpr DWORD kRunTimeoutMs = 120000;

std::vector<std::string> filesIn(const std::wstring& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    win::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(ts::narrow(found.cFileName));
    } while (FindNextFileW(find.get(), &found));
    return names;
}

// What a screen reader hears first: the client area's name, read through the
// window's own accessible object, which the installer makes with oleacc.dll.
std::wstring clientNameAsAScreenReaderReadsIt(HWND window) {
    const win::ComApartment apartment;
    win::ComPtr<IAccessible> client;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          client.putVoid()))) {
        return L"(no accessible object)";
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (client->get_accName(self, &name) != S_OK) return L"(no name)";
    std::wstring text = name;
    SysFreeString(name);
    return text;
}

class PlantedDlls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(downloads.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(markers.c_str(), nullptr));
        for (const wchar_t* program : {L"TessarkStudioSetup.exe", L"load_probe.exe"}) {
            ASSERT_TRUE(CopyFileW(ts::binPath(program).c_str(), (downloads + L"\\" + program).c_str(), FALSE))
                << ts::narrow(program);
        }
        plantBeside(downloads);
        // Inherited by every program the test starts, and by theirs.
        SetEnvironmentVariableW(L"TS_PLANTED_DLL_MARKERS", markers.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, product::kUninstallKey);
    }

    void TearDown() override { SetEnvironmentVariableW(L"TS_PLANTED_DLL_MARKERS", nullptr); }

    void plantBeside(const std::wstring& folder) {
        for (const wchar_t* dll : kPlantedDlls) {
            const std::wstring planted = ts::binPath(std::wstring(L"planted-dlls\\") + dll);
            ASSERT_TRUE(CopyFileW(planted.c_str(), (folder + L"\\" + dll).c_str(), FALSE)) << ts::narrow(planted);
        }
    }

    std::vector<std::string> markersLeft() const { return filesIn(markers); }

    ts::TempDir temp;
    const std::wstring downloads = temp / L"Downloads";
    const std::wstring markers = temp / L"markers";
    const std::wstring installed = temp / L"Installed";
    const std::wstring setup = downloads + L"\\TessarkStudioSetup.exe";
};

// Without this the test would prove nothing: the stand-ins are found and
// loaded by a program that searches its own folder, and they leave markers.
TEST_F(PlantedDlls, AProgramLoadingByBareNameLoadsTheOnesBesideIt) {
    std::wstring command = ts::quoted(downloads + L"\\load_probe.exe");
    for (const wchar_t* dll : kPlantedDlls) command += std::wstring(L" ") + dll;
    const ts::ProcessResult result = ts::run(command, kRunTimeoutMs, downloads);
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0u) << "every stand-in loads";
    EXPECT_EQ(markersLeft(), (std::vector<std::string>{"cabinet.dll-loaded-by-load_probe.exe.txt",
                                                       "dwmapi.dll-loaded-by-load_probe.exe.txt",
                                                       "gdiplus.dll-loaded-by-load_probe.exe.txt",
                                                       "oleacc.dll-loaded-by-load_probe.exe.txt"}));
}

TEST_F(PlantedDlls, SilentInstallWindowRunAndUninstallLoadNoneOfThem) {
    {
        SCOPED_TRACE("silent install from the Downloads folder");
        const ts::ProcessResult result =
            ts::run(ts::quoted(setup) + L" /S " + ts::quoted(L"--dir=" + installed), kRunTimeoutMs, downloads);
        ASSERT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        EXPECT_TRUE(ts::fileExists(installed + L"\\uninstall.exe"));
        EXPECT_EQ(markersLeft(), std::vector<std::string>{});
    }
    {
        SCOPED_TRACE("window run from the Downloads folder");
        ts::Child child(ts::quoted(setup), downloads);
        ASSERT_TRUE(child.started());
        const HWND window = ts::waitForWindow(product::kSetupWindowClass, nullptr, 30000);
        ASSERT_NE(window, nullptr) << "the setup window appears";
        EXPECT_EQ(clientNameAsAScreenReaderReadsIt(window), L"Install Tessark Studio");
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(child.wait(30000), std::optional<DWORD>(0u));
        EXPECT_EQ(markersLeft(), std::vector<std::string>{});
    }
    {
        SCOPED_TRACE("silent uninstall with the stand-ins beside uninstall.exe");
        plantBeside(installed);
        const ts::ProcessResult result =
            ts::run(ts::quoted(installed + L"\\uninstall.exe") + L" /S", kRunTimeoutMs, installed);
        ASSERT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        EXPECT_FALSE(ts::fileExists(installed + L"\\TessarkStudio.exe")) << "the uninstall ran";
        EXPECT_EQ(markersLeft(), std::vector<std::string>{});
    }
}

}  // namespace
