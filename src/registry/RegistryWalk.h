#pragma once

#include <array>
#include <span>
#include <string_view>

#include "registry/ScanRun.h"

namespace quorvel::registry {

// Areas the whole-hive walks leave alone: those that dedicated checks examine, and the system
// hive.
inline constexpr std::array<std::string_view, 17> kWalkSkipList = {
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES\\",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\fonts\\",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Help\\",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Html Help\\",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs\\",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VxD\\",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\VirtualDeviceDrivers\\",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\"
    "OpenSaveMRU\\",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell "
    "Folders\\",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\",
    "HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start "
    "Menu2\\Programs\\",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\",
};

// Tests every string value below root\path that holds a drive path (message 11042), reporting
// each at the fixed progress position. A key whose full name contains a skip-list entry is left
// out with everything below it; below a key named System only CurrentControlSet is visited; a
// Wow6432Node subkey ends the descent into its parent's remaining subkeys.
//
// Below HKEY_USERS, the HKEY_CURRENT_USER entries of the skip list also apply to each user's
// own tree, so areas that dedicated checks examine are not reported twice.
void WalkEmbeddedPaths(ScanRun& run, platform::RootKey root, std::string_view path,
                       std::span<const std::string_view> skipList, int position);

}  // namespace quorvel::registry
