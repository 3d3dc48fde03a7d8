// Symbolic links for the tests, made from the Linux side: Wine 8's
// CreateSymbolicLinkW does nothing, but a program under Wine can start a
// Unix program. A Unix symbolic link to a folder then reads as a directory
// with FILE_ATTRIBUTE_REPARSE_POINT and reparse tag 0, as a junction would on
// Windows; one to a file reads as a plain file.
#pragma once

#include <string>

namespace ts {

// Makes `link` a symbolic link to `target` (both Windows paths; the target
// must exist, `link` must not). False when the link did not appear.
bool makeSymbolicLink(const std::wstring& link, const std::wstring& target);

// Removes the link itself (Wine's own removal would remove an empty folder it
// points to). Its target must still exist: the link's going is what is
// waited for. False when it did not go.
bool removeSymbolicLink(const std::wstring& link);

}  // namespace ts
