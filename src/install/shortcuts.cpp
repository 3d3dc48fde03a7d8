// The product's shortcuts: shell link files made with IShellLinkW and saved
// through IPersistFile, in the user's own Start-menu Programs folder and on
// the user's desktop.
#include "install/shortcuts.h"

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/file_io.h"
#include "common/guids.h"
#include "common/known_folders.h"
#include "common/owners.h"

#include <objbase.h>
#include <shobjidl.h>

bool createShortcut(const std::wstring& shortcutPath, const std::wstring& target,
                    const std::wstring& workingFolder, const std::wstring& description) {
    win::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(guids::kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW), link.putVoid()))) {
        return false;
    }
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(workingFolder.c_str());
    link->SetDescription(description.c_str());
    link->SetIconLocation(target.c_str(), 0);
    win::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(__uuidof(IPersistFile), file.putVoid()))) return false;
    // A fresh profile may not have its Programs folder yet.
    ensureDirectory(parentPath(shortcutPath));
    return SUCCEEDED(file->Save(shortcutPath.c_str(), TRUE));
}

void addShortcut(InstallContext& context, const std::wstring& folder) {
    if (folder.empty()) return;
    const std::wstring shortcutPath = joinPath(folder, product::kShortcutFile);
    if (!createShortcut(shortcutPath, context.appExe, context.options.installDir, product::kShortcutDescription)) {
        return;
    }
    context.manifest += '@';
    context.manifest += wideToUtf8(shortcutPath);
    context.manifest += '\n';
}

void addShortcuts(InstallContext& context) {
    if (context.options.startMenuShortcut) addShortcut(context, knownFolderPath(guids::kFolderPrograms));
    if (context.options.desktopShortcut) addShortcut(context, knownFolderPath(guids::kFolderDesktop));
}
