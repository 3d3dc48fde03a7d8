// Path routines shared by the install and uninstall engines. Windows paths,
// wide strings; a path separator is '\' or '/'.
#pragma once

#include <string>

// b when a is empty; a when b is empty; otherwise a, a backslash unless a
// already ends in '\' or '/', then b.
std::wstring joinPath(const std::wstring& a, const std::wstring& b);

// Everything before the last '\' or '/', or empty when there is none.
std::wstring parentPath(const std::wstring& path);

// Everything after the last '\' or '/', or the whole path when there is none.
std::wstring fileName(const std::wstring& path);
