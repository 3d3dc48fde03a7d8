// The install folder: its default, the picker, and the checks before an
// install. Everything here runs on the window's thread, which is a
// single-threaded COM apartment; the picker and the message boxes are modal to
// the setup window and run their own message loops while open.
#include "platform/install_folder.h"

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/file_io.h"
#include "common/guids.h"
#include "common/known_folders.h"
#include "common/owners.h"
#include "common/registry.h"
#include "platform/running_app.h"

#include <shobjidl.h>

namespace {

constexpr wchar_t kProgramsFolderName[] = L"Programs";
constexpr wchar_t kPickerTitle[] = L"Choose where to install Tessark Studio";

constexpr wchar_t kNotOnLocalDrive[] = L"Choose a folder on a local drive.";
constexpr wchar_t kDriveRoot[] = L"Installing into the root of a drive is not supported.";
constexpr wchar_t kForeignFilesBefore[] = L"This folder already contains other files:\n\n";
constexpr wchar_t kForeignFilesAfter[] = L"\n\nTessark Studio will be written into it alongside them. Continue?";
constexpr wchar_t kForeignFilesSilent[] = L"\n\nChoose an empty folder or run the installer with its window.";

// What an uninstall can leave in the folder: its own copy until the
// self-deletion removes it a moment later, and the application's settings
// and session files, which it keeps unless asked to purge.
constexpr const wchar_t* kOurLeftovers[] = {product::kUninstallerExe, product::kSettingsFile, product::kSessionFile};

// The shortest folder the checks accept: a drive letter, a colon, a separator
// and one character of a name.
constexpr size_t kMinDrivePathLength = 4;

void warn(HWND owner, const wchar_t* text) {
    MessageBoxW(owner, text, product::kMessageCaption, MB_OK | MB_ICONWARNING);
}

// A drive letter and a colon, so that the install stays off network shares
// (a UNC path starts with two backslashes). Which drive it is, is not checked.
bool isOnDrive(const std::wstring& dir) {
    return dir.size() >= kMinDrivePathLength && dir[1] == L':';
}

// An existing folder that holds no earlier install of ours and something
// besides what an uninstall of ours leaves. The manifest marks an earlier
// install, which an install updates without asking.
bool holdsForeignFiles(const std::wstring& dir) {
    if (!isExistingDirectory(dir)) return false;
    if (isExistingFile(joinPath(dir, product::kManifestFile))) return false;
    return !holdsOnlyFilesNamed(dir, kOurLeftovers);
}

// The sentence that refuses a folder outright, or null. A bare drive root
// ("C:\") is too short for the first check; the second catches "C:Folder",
// which names no folder below the root.
const wchar_t* placeRefusal(const std::wstring& dir) {
    if (!isOnDrive(dir)) return kNotOnLocalDrive;
    if (parentPath(dir).empty()) return kDriveRoot;
    return nullptr;
}

// No is the default button, so that Enter does not mix the application into
// someone else's files.
bool userAcceptsForeignFiles(HWND owner, const std::wstring& dir) {
    const std::wstring question = kForeignFilesBefore + dir + kForeignFilesAfter;
    const int answer = MessageBoxW(owner, question.c_str(), product::kMessageCaption,
                                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    return answer == IDYES;
}

// The file-system path of the dialog's choice, or empty.
std::wstring chosenFolder(IFileOpenDialog& dialog) {
    win::ComPtr<IShellItem> item;
    if (FAILED(dialog.GetResult(item.put())) || !item) return {};
    win::UniqueCoTaskString path;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path.put())) || !path) return {};
    return path.get();
}

}  // namespace

std::wstring defaultInstallDir() {
    return defaultInstallDir(knownFolderPath);
}

std::wstring defaultInstallDir(const KnownFolderLookup& knownFolder) {
    // The recorded folder is taken as it stands, even when it no longer
    // exists: the user installed there and expects the update there.
    std::wstring recorded;
    if (readRegistryString(HKEY_CURRENT_USER, product::kUninstallKey, product::kInstallLocationValue, recorded) &&
        !recorded.empty()) {
        return recorded;
    }
    // Wine has no per-user Programs folder (SHGetKnownFolderPath fails with
    // E_INVALIDARG); Windows puts that folder at LocalAppData\Programs.
    std::wstring base = knownFolder(guids::kFolderUserProgramFiles);
    if (base.empty()) base = joinPath(knownFolder(guids::kFolderLocalAppData), kProgramsFolderName);
    return joinPath(base, product::kInstallFolderName);
}

std::wstring installDirForPickedFolder(const std::wstring& picked) {
    const std::wstring name = fileName(picked);
    const bool alreadyNamed = CompareStringOrdinal(name.c_str(), static_cast<int>(name.size()),
                                                   product::kInstallFolderName, -1, TRUE) == CSTR_EQUAL;
    return alreadyNamed ? picked : joinPath(picked, product::kInstallFolderName);
}

void pickInstallFolder(HWND owner, std::wstring& installDir) {
    win::ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(guids::kFileOpenDialogClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IFileOpenDialog),
                                dialog.putVoid()))) {
        return;
    }
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog->GetOptions(&options))) options = 0;
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(kPickerTitle);
    // Show fails with HRESULT_FROM_WIN32(ERROR_CANCELLED) when the user cancels.
    if (FAILED(dialog->Show(owner))) return;
    const std::wstring picked = chosenFolder(*dialog.get());
    if (!picked.empty()) installDir = installDirForPickedFolder(picked);
}

bool validateInstallFolder(HWND owner, const std::wstring& installDir) {
    if (const wchar_t* refusal = placeRefusal(installDir)) {
        warn(owner, refusal);
        return false;
    }
    if (holdsForeignFiles(installDir) && !userAcceptsForeignFiles(owner, installDir)) return false;
    return confirmCloseRunningApp(owner, installDir);
}

std::wstring silentInstallFolderRefusal(const std::wstring& installDir) {
    if (const wchar_t* refusal = placeRefusal(installDir)) return refusal;
    if (holdsForeignFiles(installDir)) return kForeignFilesBefore + installDir + kForeignFilesSilent;
    return {};
}
