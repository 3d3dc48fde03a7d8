// The files the application keeps: "session-url.txt" and "tessark-studio.json"
// beside the executable, and its cache under %LOCALAPPDATA%\TessarkStudio. The
// uninstaller deletes them by name, so they must exist where it looks.
#pragma once

#include <string>
#include <string_view>

namespace studio {

// The full path of the running executable, and the folder holding it.
std::wstring exePath();
std::wstring exeFolder();
std::wstring joinPath(const std::wstring& folder, std::wstring_view name);

bool fileExists(const std::wstring& path);
std::string toUtf8(std::wstring_view text);

enum class WriteMode { Replace, CreateOnly, Append };
// Writes UTF-8 bytes; CreateOnly leaves an existing file untouched and
// reports success.
bool writeTextFile(const std::wstring& path, std::string_view text, WriteMode mode);

// Writes the session address, creates the default settings when missing and
// fills the cache folder. Each step is tried on its own; none is fatal, as a
// read-only folder must not stop the application from opening.
void prepareAppFiles();

}  // namespace studio
