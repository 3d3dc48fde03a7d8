// The class, interface and known-folder identifiers the installer uses,
// defined here rather than taken from the import library libuuid: that
// library keeps every identifier Windows has in one object file, and one
// reference would add more than 130 KB to each executable.
#pragma once

#include <windows.h>

namespace guids {

// {A77F5D77-2E2B-44C3-A6A2-ABA601054A51}: the user's Start menu Programs folder.
inline constexpr GUID kFolderPrograms = {0xA77F5D77, 0x2E2B, 0x44C3, {0xA6, 0xA2, 0xAB, 0xA6, 0x01, 0x05, 0x4A, 0x51}};
// {B4BFCC3A-DB2C-424C-B029-7FE99A87C641}: the user's desktop.
inline constexpr GUID kFolderDesktop = {0xB4BFCC3A, 0xDB2C, 0x424C, {0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41}};
// {F1B32785-6FBA-4FCF-9D55-7B8E7F157091}: %LOCALAPPDATA%.
inline constexpr GUID kFolderLocalAppData = {0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}};
// {5E6C858F-0E22-4760-9AFE-EA3317B67173}: the user's profile, %USERPROFILE%.
inline constexpr GUID kFolderProfile = {0x5E6C858F, 0x0E22, 0x4760, {0x9A, 0xFE, 0xEA, 0x33, 0x17, 0xB6, 0x71, 0x73}};
// {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB}: the user's own program-files folder.
inline constexpr GUID kFolderUserProgramFiles = {0x5CD7AEE2, 0x2219, 0x4A67, {0xB8, 0x5D, 0x6C, 0x9C, 0xE1, 0x56, 0x60, 0xCB}};

// {00021401-0000-0000-C000-000000000046}: the shell link object.
inline constexpr GUID kShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {DC1C5A9C-E88A-4DDE-A5A1-60F82A20AEF7}: the file-open dialog.
inline constexpr GUID kFileOpenDialogClass = {0xDC1C5A9C, 0xE88A, 0x4DDE, {0xA5, 0xA1, 0x60, 0xF8, 0x2A, 0x20, 0xAE, 0xF7}};

}  // namespace guids
