// The install procedure: unpack the payload, write every file, the shortcuts,
// the install manifest and the uninstall entry, then have the application add
// its Explorer entries. Runs on one thread with COM initialised (the worker in
// a window run, the main thread in a silent one).
#pragma once

#include "common/core/options.h"
#include "install/install_record.h"
#include "payload/core/payload.h"

#include <functional>
#include <string>

// The status texts an install reports, in the order it reports them.
namespace install_texts {
inline constexpr wchar_t kReading[] = L"Reading the package\u2026";
inline constexpr wchar_t kUnpacking[] = L"Unpacking\u2026";
inline constexpr wchar_t kWritingFiles[] = L"Writing files\u2026";
inline constexpr wchar_t kWritingFile[] = L"Writing ";  // + the file's name
inline constexpr wchar_t kCreatingShortcuts[] = L"Creating shortcuts\u2026";
inline constexpr wchar_t kRegistering[] = L"Registering\u2026";
inline constexpr wchar_t kAddingExplorerEntries[] = L"Adding the Explorer entries\u2026";
inline constexpr wchar_t kDone[] = L"Done";

inline constexpr wchar_t kCouldNotCreate[] = L"Could not create ";
inline constexpr wchar_t kCouldNotWrite[] = L"Could not write ";
inline constexpr wchar_t kStillRunningHint[] = L"\n\nIf Tessark Studio is still running, close it and try again.";
inline constexpr wchar_t kManifestNotWritten[] = L"Could not write the install manifest.";
}  // namespace install_texts

// Installs into options.installDir from the payload of the running program.
// False, with the sentence for the user in `error`, at the first step that
// fails; nothing is rolled back.
bool performInstall(const InstallOptions& options, const ProgressCallback& progress, std::wstring& error);

// Where the payload comes from: openPayload in the product, a payload built in
// memory in the tests (which cannot change the resource of their own module).
using PayloadSource = std::function<bool(Payload&, std::wstring&)>;

// The same install with the payload taken from `source`, and the manifest's
// temporary file written by `writeManifestText` (the tests make it fail).
bool performInstall(const InstallOptions& options, const ProgressCallback& progress, std::wstring& error,
                    const PayloadSource& source, const ManifestWriter& writeManifestText = writeFlushedManifest);
