#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/GlobalVars.h"
#include "platform/Registry.h"

namespace quorvel::core {

// What settings.ini beside the program says about portable mode.
struct PortableConfig {
    bool portable = false;
    std::string dataPath;  // root of the portable data folder (only set when portable)
};

// Reads [Portable] Type and DataPath from a settings.ini. A missing, unreadable or damaged file,
// or one without a Portable section, gives normal mode.
PortableConfig ReadPortableConfig(const std::filesystem::path& settingsIni,
                                  std::string_view programFolder);

// The portable data root when settings.ini names none: the folder that contains the program's
// folder, followed by "data\common\Administrator\". X:\Tools\App\ gives
// X:\Tools\data\common\Administrator\.
std::string DefaultDataPath(std::string_view programFolder);

// Fills IsPortable, BackupsDir, BackupsMax and BackupsDelete. Runs once at start, after the
// folder fields and ProgramDir/ProgramFolder are known. BackupsMax (default 60) and BackupsDelete
// (default 1) are written when missing; when the Settings key cannot be opened they stay 0.
void LoadSettingsPaths(platform::Registry& registry, TGlobalVars& globals);

}  // namespace quorvel::core
