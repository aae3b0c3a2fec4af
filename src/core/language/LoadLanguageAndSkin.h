#pragma once

#include <filesystem>
#include <string>

#include "core/GlobalVars.h"
#include "core/language/LanguageTable.h"
#include "platform/Registry.h"

namespace quorvel::core {

// The language and skin choice. Under HKEY_CURRENT_USER's program key (created when missing):
// - Language: the file name of the user's language file in languages\; "english.lng" is written
//   when it is missing, empty, not a plain file name, or names no file in languages\.
// - Skin: the full path of the skin file; the default skin is written when the value is missing
//   or names no existing file.
// Sets LanguageFileName and SkinFile, then loads the language table. Runs at start and again
// after the settings dialog changed the choice.
void LoadLanguageAndSkin(platform::Registry& registry, TGlobalVars& globals,
                         LanguageTable& language);

// ProgramDir/skins/Default/skin.ini.
std::string DefaultSkinFile(const std::filesystem::path& programDir);

inline constexpr const char* kDefaultLanguageFile = "english.lng";

}  // namespace quorvel::core
