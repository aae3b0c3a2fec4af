#pragma once

#include <filesystem>
#include <string>

#include "core/GlobalVars.h"
#include "core/language/LanguageTable.h"
#include "platform/Machine.h"

namespace quorvel::core {

// Fills the program-wide record from the machine, once at start, in this order: Windows
// version and OsName; the eight environment folders (with the Windows 98/ME fallbacks), each
// turned into its long form with a trailing backslash; the Start-menu folders; SearchPaths;
// FixedDrives; the language and skin choice (which loads the language table); the settings paths.
// programDir is the host folder that holds the program's own files.
void InitGlobals(platform::Machine& machine, const std::filesystem::path& programDir,
                 TGlobalVars& globals, LanguageTable& language);

// How programs on the machine see a host folder: Wine shows the host's root folder as drive Z:.
// "/opt/quorvel/bin" gives "Z:\opt\quorvel\bin\".
std::string HostFolderAsWindowsPath(const std::filesystem::path& hostFolder);

}  // namespace quorvel::core
