#include "common/file_io.h"

#include "common/core/paths.h"
#include "common/owners.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

// WriteFile takes a 32-bit count; 1 MiB pieces also keep each call short.
constexpr std::uint64_t kWritePiece = 1u << 20;

bool isDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

enum class Flush { No, Yes };

bool writeBytes(const std::wstring& path, const std::uint8_t* bytes, std::uint64_t length, Flush flush) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::uint64_t written = 0;
    while (written < length) {
        const DWORD piece = static_cast<DWORD>(std::min(kWritePiece, length - written));
        DWORD done = 0;
        if (!WriteFile(file.get(), bytes + written, piece, &done, nullptr) || done == 0) return false;
        written += done;
    }
    return flush == Flush::No || FlushFileBuffers(file.get());
}

// Both strings end at their first NUL, as every path does where Windows reads it.
int compareIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE);
}

// IsReparseTagNameSurrogate: the tag's bit for "names another file or folder".
constexpr DWORD kNameSurrogateTagBit = 0x20000000;

// What FindFirstFileW tells of an entry: its reparse tag in dwReserved0.
bool isLinkEntry(const WIN32_FIND_DATAW& entry) {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    const DWORD tag = entry.dwReserved0;
    return tag == 0 || (tag & kNameSurrogateTagBit) != 0;
}

// A resolved absolute path in the form Windows takes as it stands ("\\?\"):
// no component is dropped or trimmed again.
std::wstring verbatimPath(const std::wstring& full) {
    if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return full;
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// Where the first component below `folder` starts in `path`, both resolved;
// npos when `path` is not `folder` or below it. A folder given with a
// trailing separator is the same folder ("C:\" keeps its own).
std::size_t startBelow(std::wstring folder, const std::wstring& path) {
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    if (folder.empty() || path.size() < folder.size()) return std::wstring::npos;
    if (compareIgnoringCase(path.substr(0, folder.size()), folder) != CSTR_EQUAL) return std::wstring::npos;
    if (folder.back() == L'\\') return folder.size();
    if (path.size() == folder.size()) return path.size();
    return path[folder.size()] == L'\\' ? folder.size() + 1 : std::wstring::npos;
}

std::vector<WIN32_FIND_DATAW> entriesOf(const std::wstring& folder) {
    std::vector<WIN32_FIND_DATAW> entries;
    WIN32_FIND_DATAW entry{};
    win::UniqueFind search(FindFirstFileW(joinPath(folder, L"*").c_str(), &entry));
    if (!search) return entries;
    do {
        if (!isDotEntry(entry.cFileName)) entries.push_back(entry);
    } while (FindNextFileW(search.get(), &entry));
    return entries;
}

void removeLink(const std::wstring& path, const WIN32_FIND_DATAW& entry) {
    if (entry.dwReserved0 == 0) return;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(path.c_str());
    } else {
        DeleteFileW(path.c_str());
    }
}

}  // namespace

std::wstring utf8ToWide(std::string_view utf8) {
    if (utf8.empty()) return {};
    // Does the length fit the int that the conversion API takes?
    if (utf8.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
    const int inputLength = static_cast<int>(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inputLength, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inputLength, wide.data(), needed);
    return wide;
}

std::string wideToUtf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    // Does the length fit the int that the conversion API takes?
    if (wide.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
    const int inputLength = static_cast<int>(wide.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), inputLength, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string utf8(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), inputLength, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

bool isExistingFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isExistingDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isDirectoryEmpty(const std::wstring& folder) {
    return holdsOnlyFilesNamed(folder, {});
}

bool holdsOnlyFilesNamed(const std::wstring& folder, std::span<const wchar_t* const> names) {
    const auto isOneOfThem = [&names](const WIN32_FIND_DATAW& entry) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
        return std::any_of(names.begin(), names.end(), [&entry](const wchar_t* name) {
            return compareIgnoringCase(entry.cFileName, name) == CSTR_EQUAL;
        });
    };
    WIN32_FIND_DATAW entry{};
    win::UniqueFind search(FindFirstFileW(joinPath(folder, L"*").c_str(), &entry));
    if (!search) return true;
    do {
        if (!isDotEntry(entry.cFileName) && !isOneOfThem(entry)) return false;
    } while (FindNextFileW(search.get(), &entry));
    return true;
}

bool deleteFileEvenIfReadOnly(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    return !isExistingFile(path);
}

bool ensureDirectory(const std::wstring& path, const SECURITY_ATTRIBUTES* security) {
    if (path.empty()) return true;
    if (isExistingDirectory(path)) return true;
    // The walk up ends at the first folder that exists or at a part with no
    // separator left ("C:", a missing drive: CreateDirectoryW then fails).
    const std::wstring parent = parentPath(path);
    if (!parent.empty() && parent != path && !ensureDirectory(parent, security)) return false;
    if (CreateDirectoryW(path.c_str(), const_cast<SECURITY_ATTRIBUTES*>(security))) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

bool isLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    WIN32_FIND_DATAW entry{};
    win::UniqueFind search(FindFirstFileW(path.c_str(), &entry));
    return !search || isLinkEntry(entry);
}

bool passesThroughLink(const std::wstring& folder, const std::wstring& path) {
    const std::wstring full = fullPathName(path);
    // An empty folder is the current one: joinPath leaves the paths below it relative.
    std::size_t start = startBelow(fullPathName(folder.empty() ? L"." : folder), full);
    if (start == std::wstring::npos) return true;
    while (start < full.size()) {
        std::size_t end = full.find(L'\\', start);
        if (end == std::wstring::npos) end = full.size();
        if (end > start && isLink(verbatimPath(full.substr(0, end)))) return true;
        start = end + 1;
    }
    return false;
}

void deleteTreeWithoutFollowingLinks(const std::wstring& folder) {
    for (const WIN32_FIND_DATAW& entry : entriesOf(folder)) {
        const std::wstring path = joinPath(folder, entry.cFileName);
        if (isLinkEntry(entry)) {
            removeLink(path, entry);
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            deleteTreeWithoutFollowingLinks(path);
        } else {
            deleteFileEvenIfReadOnly(path);
        }
    }
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);  // RemoveDirectoryW refuses a read-only folder
    RemoveDirectoryW(folder.c_str());
}

bool writeWholeFile(const std::wstring& path, const std::uint8_t* bytes, std::uint64_t length) {
    return writeBytes(path, bytes, length, Flush::No);
}

bool writeWholeFileFlushed(const std::wstring& path, const std::uint8_t* bytes, std::uint64_t length) {
    return writeBytes(path, bytes, length, Flush::Yes);
}

std::wstring fullPathName(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) return path;
    full.resize(written);
    return full;
}

bool PathOrder::operator()(const std::wstring& a, const std::wstring& b) const {
    return compareIgnoringCase(a, b) == CSTR_LESS_THAN;
}

bool isSamePath(const std::wstring& a, const std::wstring& b) {
    return compareIgnoringCase(fullPathName(a), fullPathName(b)) == CSTR_EQUAL;
}

bool isSameOrBelow(const std::wstring& path, const std::wstring& folder) {
    return startBelow(fullPathName(folder), fullPathName(path)) != std::wstring::npos;
}
