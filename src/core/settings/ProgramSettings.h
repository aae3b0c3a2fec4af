#pragma once

#include <string_view>

#include "core/settings/SettingsStore.h"

namespace quorvel::core {

// The settings the main window reads and writes when the program starts, shows and closes.
// Keys that cannot be opened are passed over silently.

// The three pages of the main window, by their stored index.
enum class PageIndex { Status = 0, OneClick = 1, Modules = 2 };

// Puts the user's own settings back after a portable copy of the program ran: when the program
// tree says Portable and the backup tree exists, the program tree is replaced by the backup tree.
// Never runs for a program that is itself portable. True when the trees were swapped.
bool RestorePortableSettings(SettingsStore& settings, bool programIsPortable);

// Settings\FirstRun = 1: this run has not yet been closed to the tray.
void MarkFirstRun(SettingsStore& settings);

// The page to open: Current View, written as 1 when missing; 0 status, 1 one-click, 2 modules,
// any other number the status page. When the program key cannot be opened or created at all the
// one-click page opens, as on a first start.
PageIndex OpenCurrentView(SettingsStore& settings);
void StoreCurrentView(SettingsStore& settings, PageIndex page);

// Version and RootDir under HKEY_LOCAL_MACHINE; silently skipped when that key is not writable.
void WriteInstallInfo(SettingsStore& settings, std::string_view version, std::string_view rootDir);

// What the close button does: hide to the tray (Minitotray) and whether the once-per-run balloon
// shows (first close of this run, ShowBalloonMinitotray). Writes FirstRun = 2.
struct CloseDecision {
    bool toTray = false;
    bool showBalloon = false;
};
CloseDecision DecideClose(SettingsStore& settings);

// Settings\Checkupdates, written as 1 when missing: whether the update check runs at start.
bool UpdateCheckWanted(SettingsStore& settings);

}  // namespace quorvel::core
