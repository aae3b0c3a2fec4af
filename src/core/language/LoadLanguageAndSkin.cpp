#include "core/language/LoadLanguageAndSkin.h"

#include <system_error>

#include "core/settings/SettingsKey.h"
#include "core/settings/SettingsKeys.h"

namespace quorvel::core {

namespace {

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\:") == std::string_view::npos;
}

bool hostFileExists(const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec);
}

}  // namespace

std::string DefaultSkinFile(const std::filesystem::path& programDir) {
    return (programDir / "skins" / "Default" / "skin.ini").string();
}

void LoadLanguageAndSkin(platform::Registry& registry, TGlobalVars& globals,
                         LanguageTable& language) {
    const std::string defaultSkin = DefaultSkinFile(globals.ProgramDir);
    std::string languageFile = kDefaultLanguageFile;
    std::string skinFile = defaultSkin;

    if (auto key =
            SettingsKey::open(registry, platform::RootKey::CurrentUser, keys::kProgram, true)) {
        const std::string chosen = key->readString("Language").value_or(std::string{});
        // Only a plain file name inside languages\ is accepted; "..\x" must not reach outside.
        if (isPlainFileName(chosen) && hostFileExists(globals.ProgramDir / "languages" / chosen)) {
            languageFile = chosen;
        } else {
            key->writeString("Language", kDefaultLanguageFile);
        }

        if (!key->valueExists("Skin")) key->writeString("Skin", defaultSkin);
        const auto skin = key->readString("Skin");
        if (!skin || skin->empty() || !hostFileExists(*skin)) key->writeString("Skin", defaultSkin);
        skinFile = key->readString("Skin").value_or(defaultSkin);
    }

    globals.LanguageFileName = languageFile;
    globals.SkinFile = skinFile;
    language.load(globals.ProgramDir, globals.LanguageFileName);
}

}  // namespace quorvel::core
