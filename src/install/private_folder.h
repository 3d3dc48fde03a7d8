// The permissions of an install folder made outside the user's profile. Such
// a folder would inherit its parent's permissions, which on many drives let
// every signed-in user change what is in it: another account could then
// replace TessarkStudio.exe or uninstall.exe and run code as this user
// through the shortcuts, the Explorer-entries step or the uninstaller. The
// folders the install creates there grant full control to the user who runs
// it, SYSTEM and Administrators, and inherit nothing; what is written below
// them inherits that. Inside the profile the inherited permissions already
// keep other users out, and folders that exist keep theirs.
#pragma once

#include "common/owners.h"

#include <string>

// A self-relative security descriptor: owner the process token's user; a
// protected DACL (nothing inherited from the parent) of three ACEs allowing
// full file access to this folder, its subfolders and its files: the user,
// SYSTEM, Administrators. Empty when the token's user cannot be read.
win::UniqueLocal privateFolderDescriptor();

// True when `folder` is the user's profile (the known folder, what
// %USERPROFILE% holds) or lies below it.
bool isInUserProfile(const std::wstring& folder);

// Creates the install folder and any missing parent, those outside the
// user's profile with privateFolderDescriptor. False when a folder could not
// be created, or when the descriptor for one outside could not be built.
bool createInstallFolder(const std::wstring& installDir);
