#pragma once

#include <string_view>

namespace quorvel::core::keys {

// Key paths of the program's settings, relative to their root (HKEY_CURRENT_USER unless a caller
// says otherwise), written with a leading backslash.
inline constexpr std::string_view kProgram = "\\Software\\QuorvelSoft\\Quorvel Utilities";
inline constexpr std::string_view kProgramBackup =
    "\\Software\\QuorvelSoft\\Quorvel Utilities Backup";
inline constexpr std::string_view kSettings =
    "\\Software\\QuorvelSoft\\Quorvel Utilities\\Settings";
inline constexpr std::string_view kAvailableModules =
    "\\Software\\QuorvelSoft\\Quorvel Utilities\\Settings\\AvailableModules";
inline constexpr std::string_view kOneClick =
    "\\Software\\QuorvelSoft\\Quorvel Utilities\\OneClick";

// The folder below the data root (application data or the portable data path) that holds the
// backup store.
inline constexpr std::string_view kBackupsSubfolder = "QuorvelSoft\\Quorvel Utilities\\Backups\\";

}  // namespace quorvel::core::keys
