#include "app_files.h"

#include "common/core/product.h"
#include "common/owners.h"

#include <shlobj.h>

#include <cstdio>

namespace studio {
namespace {

constexpr wchar_t kCacheFolder[] = L"Cache";
constexpr wchar_t kCacheFile[] = L"startup.cache";

constexpr std::string_view kDefaultSettings =
    "{\n"
    "  \"theme\": \"dark\",\n"
    "  \"editor.fontSize\": 14,\n"
    "  \"editor.tabSize\": 4,\n"
    "  \"openLastFolder\": true\n"
    "}\n";

std::wstring localAppDataFolder() {
    win::UniqueCoTaskString path;
    if (FAILED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, path.put()))) return {};
    return path.get();
}

// A made-up address on the loopback interface, different for each run, like
// the one the real application's embedded server hands to its web view.
std::string sessionUrl() {
    const unsigned process = ::GetCurrentProcessId();
    const unsigned ticks = static_cast<unsigned>(::GetTickCount64());
    char url[80];
    std::snprintf(url, sizeof url, "http://127.0.0.1:%u/session/%08x%08x\n", 49152 + process % 16384,
                  process, ticks);
    return url;
}

bool writeSessionUrl(const std::wstring& folder) {
    return writeTextFile(joinPath(folder, product::kSessionFile), sessionUrl(), WriteMode::Replace);
}

bool ensureSettings(const std::wstring& folder) {
    return writeTextFile(joinPath(folder, product::kSettingsFile), kDefaultSettings,
                         WriteMode::CreateOnly);
}

bool fillCache() {
    const std::wstring localAppData = localAppDataFolder();
    if (localAppData.empty()) return false;
    const std::wstring dataFolder = joinPath(localAppData, product::kDataFolder);
    const std::wstring cacheFolder = joinPath(dataFolder, kCacheFolder);
    // ERROR_ALREADY_EXISTS is the normal case from the second run on.
    for (const std::wstring& folder : {dataFolder, cacheFolder}) {
        if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return writeTextFile(joinPath(cacheFolder, kCacheFile), sessionUrl(), WriteMode::Replace);
}

DWORD creationDisposition(WriteMode mode) {
    switch (mode) {
    case WriteMode::Replace: return CREATE_ALWAYS;
    case WriteMode::CreateOnly: return CREATE_NEW;
    case WriteMode::Append: return OPEN_ALWAYS;
    }
    return CREATE_ALWAYS;
}

}  // namespace

std::wstring exePath() {
    // GetModuleFileNameW truncates silently and returns the buffer size when
    // the path does not fit, so grow until it returns less.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring exeFolder() {
    std::wstring path = exePath();
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return {};
    path.resize(separator);
    return path;
}

std::wstring joinPath(const std::wstring& folder, std::wstring_view name) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    path += name;
    return path;
}

bool fileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length,
                          nullptr, nullptr);
    return utf8;
}

bool writeTextFile(const std::wstring& path, std::string_view text, WriteMode mode) {
    const DWORD access = mode == WriteMode::Append ? FILE_APPEND_DATA : GENERIC_WRITE;
    win::UniqueFile file(::CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr,
                                       creationDisposition(mode), FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return mode == WriteMode::CreateOnly && ::GetLastError() == ERROR_FILE_EXISTS;
    DWORD written = 0;
    return ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

void prepareAppFiles() {
    const std::wstring folder = exeFolder();
    writeSessionUrl(folder);
    ensureSettings(folder);
    fillCache();
}

}  // namespace studio
