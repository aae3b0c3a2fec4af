#pragma once

#include <array>

#include "registry/ScanRun.h"

namespace quorvel::registry {

// HKLM\SOFTWARE as 64-bit programs see it, and the 32-bit view that registry redirection shows
// 32-bit programs (and their installers write). Keys that Windows and Wine share between the
// views (App Paths, the classes) are checked once, in the first.
inline constexpr std::array<std::string_view, 2> kSoftwareViews = {"\\SOFTWARE",
                                                                   "\\SOFTWARE\\Wow6432Node"};

// The twenty checks of the registry scan, in the order the scan runs them. Each tests the stop
// request in its loops and ends with the run's end-of-step rendezvous.
void CheckShellFolders(ScanRun& run);          // 1, current user
void CheckLocalMachinePaths(ScanRun& run);     // 2, whole local-machine hive
void CheckUserHivePaths(ScanRun& run);         // 3, each hive below HKEY_USERS
void CheckEmptySoftwareKeys(ScanRun& run);     // 4
void CheckComClasses(ScanRun& run);            // 5, classes, type libraries, interfaces
void CheckExplorerFileExts(ScanRun& run);      // 6
void CheckFileTypes(ScanRun& run);             // 7, extensions, ProgIDs, verbs, handlers
void CheckStartMenuOrder(ScanRun& run);        // 8
void CheckRunEntries(ScanRun& run);            // 9
void CheckSharedDlls(ScanRun& run);            // 10
void CheckAppPaths(ScanRun& run);              // 11
void CheckUninstallEntries(ScanRun& run);      // 12
void CheckArpCache(ScanRun& run);              // 13
void CheckInstallerFolders(ScanRun& run);      // 14
void CheckFonts(ScanRun& run);                 // 15
void CheckHelpFiles(ScanRun& run);             // 16
void CheckSoundEvents(ScanRun& run);           // 17
void CheckOpenSaveHistory(ScanRun& run);       // 18
void CheckServiceImagePaths(ScanRun& run);     // 19
void CheckVirtualDeviceDrivers(ScanRun& run);  // 20

using RegCheck = void (*)(ScanRun&);
inline constexpr std::array<RegCheck, ScanRun::kStepCount> kRegChecks = {
    CheckShellFolders,
    CheckLocalMachinePaths,
    CheckUserHivePaths,
    CheckEmptySoftwareKeys,
    CheckComClasses,
    CheckExplorerFileExts,
    CheckFileTypes,
    CheckStartMenuOrder,
    CheckRunEntries,
    CheckSharedDlls,
    CheckAppPaths,
    CheckUninstallEntries,
    CheckArpCache,
    CheckInstallerFolders,
    CheckFonts,
    CheckHelpFiles,
    CheckSoundEvents,
    CheckOpenSaveHistory,
    CheckServiceImagePaths,
    CheckVirtualDeviceDrivers,
};

}  // namespace quorvel::registry
