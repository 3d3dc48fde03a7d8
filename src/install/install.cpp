// The install procedure. Each step either succeeds or ends the run with one
// sentence for the user; the steps after the files (shortcuts, registry,
// Explorer entries) fail silently, as the application works without them.
//
// The manifest is written once, after every file and shortcut, and replaces
// the previous one in one step: a run that fails while writing files, or
// while writing the manifest itself, leaves the previous install's manifest
// as it was, so the uninstaller still removes what that install wrote. An
// update removes what the previous manifest lists and this run did not
// write, so that the new manifest is again the whole record.
#include "install/install.h"

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/file_io.h"
#include "install/core/manifest.h"
#include "install/install_record.h"
#include "install/private_folder.h"
#include "install/registration.h"
#include "install/self_deletion_wait.h"
#include "install/shortcuts.h"
#include "payload/payload_resource.h"
#include "payload/unpack.h"

#include <cstdint>
#include <vector>

namespace {

// Progress: unpacking fills 0 → 55, the files 55 → 90 (the last file report
// is at most 89), then fixed points for the steps after them.
constexpr int kUnpackEnd = 55;
constexpr int kFilesSpan = 35;
constexpr int kShortcutsPercent = 92;
constexpr int kRegisteringPercent = 95;
constexpr int kExplorerPercent = 98;
constexpr int kDonePercent = 100;
// A report for every 24th file and the last keeps the window's repaints
// (a posted message each) far below the number of files.
constexpr std::size_t kFilesPerReport = 24;

bool unpack(const Payload& payload, std::vector<std::uint8_t>& image, const ProgressCallback& progress,
            std::wstring& error) {
    const auto unpackProgress = [&progress](int percent) {
        progress(percent * kUnpackEnd / 100, install_texts::kUnpacking);
    };
    return unpackVerifiedPayload(payload, image, unpackProgress, error);
}

// Every file is written straight from its slice of the image, so a slice that
// reaches past the image would write out whatever memory follows it. Checked
// for all entries before the first write: a bad payload leaves no trace.
bool malformedTable(std::wstring& error) {
    return reportStatus(PayloadStatus::MalformedTable, error);
}

bool entriesInsideImage(const Payload& payload, std::uint64_t imageSize, std::wstring& error) {
    for (const PayloadEntry& entry : payload.entries) {
        // Does the file start inside the image?
        if (entry.offset > imageSize) return malformedTable(error);
        // Do its bytes fit in what remains of the image after its start?
        if (entry.size > imageSize - entry.offset) return malformedTable(error);
    }
    return true;
}

// A link below the install folder (a junction or symbolic link another
// program or user put there) would take the file, or the folders made for
// it, to wherever it points: the install refuses to write through one.
//
// The files come in path order, so most go into the folder the file before
// them went into: `preparedFolder` is that folder, checked and made then.
bool writeEntry(const PayloadEntry& entry, const std::vector<std::uint8_t>& image, const std::wstring& installDir,
                const std::wstring& fullPath, std::wstring& preparedFolder, std::wstring& error) {
    const std::wstring folder = parentPath(fullPath);
    if (folder != preparedFolder) {
        if (passesThroughLink(installDir, folder) || !ensureDirectory(folder)) {
            error = install_texts::kCouldNotCreate + folder;
            return false;
        }
        preparedFolder = folder;
    }
    if (isLink(fullPath) || !writeWholeFile(fullPath, image.data() + entry.offset, entry.size)) {
        error = install_texts::kCouldNotWrite + fullPath + install_texts::kStillRunningHint;
        return false;
    }
    return true;
}

bool writeFiles(const Payload& payload, const std::vector<std::uint8_t>& image, const std::wstring& installDir,
                std::string& manifest, const ProgressCallback& progress, std::wstring& error) {
    const std::size_t count = payload.entries.size();
    std::wstring preparedFolder;
    for (std::size_t i = 0; i < count; ++i) {
        const PayloadEntry& entry = payload.entries[i];
        const std::wstring relativePath = windowsRelativePath(entry.path);
        if (!writeEntry(entry, image, installDir, joinPath(installDir, relativePath), preparedFolder, error)) return false;
        manifest += entry.path;
        manifest += '\n';
        if (i % kFilesPerReport == 0 || i + 1 == count) {
            const int percent = kUnpackEnd + static_cast<int>(kFilesSpan * i / count);
            progress(percent, install_texts::kWritingFile + fileName(relativePath));
        }
    }
    return true;
}

// Unpacks and writes every file; the image lives only as long as this step,
// so the later steps (one waits up to 20 s for the application) hold none of it.
bool unpackAndWriteFiles(const Payload& payload, const std::wstring& installDir, std::string& manifest,
                         const ProgressCallback& progress, std::wstring& error) {
    std::vector<std::uint8_t> image;
    // LZMS carries no checksum: a damaged chunk may still decode. Nothing is
    // written unless the file table and the image are the ones the packer made.
    if (!unpack(payload, image, progress, error)) return false;
    if (!entriesInsideImage(payload, image.size(), error)) return false;
    if (!createInstallFolder(installDir)) {
        error = install_texts::kCouldNotCreate + installDir;
        return false;
    }
    progress(kUnpackEnd, install_texts::kWritingFiles);
    manifest = kManifestHeader;
    return writeFiles(payload, image, installDir, manifest, progress, error);
}

// What the folder's previous install wrote, read before anything is written;
// empty when there is no readable record (a fresh install, or one whose
// manifest is lost), and then nothing is removed.
std::string previousManifest(const std::wstring& installDir) {
    std::string bytes;
    if (!readManifestFile(joinPath(installDir, product::kManifestFile), bytes)) return {};
    return bytes;
}

// Part of the shortcut step: the previous install's files and shortcuts that
// this run did not write go. A line whose file cannot be deleted stays in the
// record, after the file lines and before the shortcut lines.
void removeReplaced(const std::string& previous, const std::wstring& installDir, std::string& manifest,
                    std::size_t shortcutLinesStart) {
    if (previous.empty()) return;
    manifest.insert(shortcutLinesStart, removeReplacedFiles(previous, manifest, installDir));
}

bool writeManifest(const std::wstring& installDir, const std::string& manifest, const ManifestWriter& write,
                   std::wstring& error) {
    if (replaceManifestFile(installDir, manifest, write)) return true;
    error = install_texts::kManifestNotWritten;
    return false;
}

}  // namespace

bool performInstall(const InstallOptions& options, const ProgressCallback& progress, std::wstring& error) {
    return performInstall(options, progress, error, openPayload);
}

bool performInstall(const InstallOptions& options, const ProgressCallback& progress, std::wstring& error,
                    const PayloadSource& source, const ManifestWriter& writeManifestText) {
    progress(0, install_texts::kReading);
    waitForPendingSelfDeletion(options.installDir);
    Payload payload;
    if (!source(payload, error)) return false;
    const std::wstring& installDir = options.installDir;
    const std::string previous = previousManifest(installDir);
    std::string manifest;
    if (!unpackAndWriteFiles(payload, installDir, manifest, progress, error)) return false;

    const std::wstring appExe = joinPath(installDir, product::kAppExe);
    progress(kShortcutsPercent, install_texts::kCreatingShortcuts);
    const std::size_t shortcutLinesStart = manifest.size();
    InstallContext context{appExe, options, manifest};
    addShortcuts(context);
    removeReplaced(previous, installDir, manifest, shortcutLinesStart);

    if (!writeManifest(installDir, manifest, writeManifestText, error)) return false;

    progress(kRegisteringPercent, install_texts::kRegistering);
    writeUninstallEntry(installDir, payloadBytes(payload));

    if (options.explorerEntries) {
        progress(kExplorerPercent, install_texts::kAddingExplorerEntries);
        addExplorerEntries(appExe);
    }
    progress(kDonePercent, install_texts::kDone);
    return true;
}
