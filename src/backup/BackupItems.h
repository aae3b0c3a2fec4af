#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace quorvel::backup {

// One item a Registry or Spyware backup exports: a whole key, or one value of it.
struct RegistryBackupItem {
    std::string rootName;                  // "HKEY_LOCAL_MACHINE"
    std::string keyPath;                   // "\Software\X"
    std::optional<std::string> valueName;  // nullopt: the whole key
};

// A finding of the Shortcuts category as its backup sees it.
struct ShortcutBackupItem {
    std::string path;       // full path of the shortcut file, or of the empty folder
    bool isFolder = false;  // an empty-folder finding
    bool selected = true;
};

// A finding of the Startup category as its backup sees it.
struct StartupBackupItem {
    enum Kind : std::int32_t { Other = 0, RegistryValue = 1, StartupFile = 2 };
    Kind kind = Other;
    std::string name;       // shown in the progress text
    std::string rootName;   // RegistryValue: "HKEY_CURRENT_USER"
    std::string keyPath;    // RegistryValue: "\Software\Microsoft\Windows\CurrentVersion\Run"
    std::string valueName;  // RegistryValue
    std::string filePath;   // StartupFile: full path of the file in a startup folder
    bool selected = true;
};

// What writing a Shortcuts or Startup archive achieved. A finding whose file could not be
// copied into the archive is listed, so the repair leaves that file alone.
struct ArchiveBackupResult {
    platform::Status status;               // the archive itself; failed: nothing is backed up
    std::vector<std::size_t> notBackedUp;  // positions of selected findings left out
};

// Progress of a Startup backup: text and position 0..100.
using BackupProgress = std::function<void(std::string_view text, int position)>;

}  // namespace quorvel::backup
