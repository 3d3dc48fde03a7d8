#include "common/file_io.h"

#include "common/core/paths.h"
#include "common/owners.h"

#include <windows.h>

#include <algorithm>
#include <limits>

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
    WIN32_FIND_DATAW entry{};
    win::UniqueFind search(FindFirstFileW(joinPath(folder, L"*").c_str(), &entry));
    if (!search) return true;
    do {
        if (!isDotEntry(entry.cFileName)) return false;
    } while (FindNextFileW(search.get(), &entry));
    return true;
}

bool deleteFileEvenIfReadOnly(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    return !isExistingFile(path);
}

bool ensureDirectory(const std::wstring& path) {
    if (path.empty()) return true;
    if (isExistingDirectory(path)) return true;
    // The walk up ends at the first folder that exists or at a part with no
    // separator left ("C:", a missing drive: CreateDirectoryW then fails).
    const std::wstring parent = parentPath(path);
    if (!parent.empty() && parent != path && !ensureDirectory(parent)) return false;
    if (CreateDirectoryW(path.c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS;
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
