#include "core/settings/LoadSettingsPaths.h"

#include <system_error>

#include "core/formats/IniFile.h"
#include "core/settings/SettingsKey.h"
#include "core/settings/SettingsKeys.h"
#include "platform/text/PathSeparators.h"

namespace quorvel::core {

namespace {

// "" gets one too: the data folder is then below the current drive's root.
std::string withTrailingBackslash(std::string_view path) {
    return path.empty() ? std::string("\\") : platform::text::withTrailingBackslash(path);
}

}  // namespace

std::string DefaultDataPath(std::string_view programFolder) {
    const std::string folder(platform::text::withoutTrailingBackslash(programFolder));
    const auto slash = folder.rfind('\\');
    // A program in a drive's root folder has no parent: the data folder goes below that root.
    std::string parent = slash == std::string::npos ? folder : folder.substr(0, slash);
    return withTrailingBackslash(std::move(parent)) + "data\\common\\Administrator\\";
}

PortableConfig ReadPortableConfig(const std::filesystem::path& settingsIni,
                                  std::string_view programFolder) {
    PortableConfig config;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(settingsIni, ec)) return config;
    const auto ini = IniFile::load(settingsIni);
    if (!ini) return config;
    if (!ini->readBool("Portable", "Type", false)) return config;
    config.portable = true;
    config.dataPath = ini->readString("Portable", "DataPath", DefaultDataPath(programFolder));
    // An empty DataPath line means the same as none: an empty root would put the backups below
    // the current folder of whoever runs the program.
    if (config.dataPath.empty()) config.dataPath = DefaultDataPath(programFolder);
    return config;
}

void LoadSettingsPaths(platform::Registry& registry, TGlobalVars& globals) {
    globals.BackupsDir = globals.AppData + std::string(keys::kBackupsSubfolder);
    globals.IsPortable = false;

    const auto config =
        ReadPortableConfig(globals.ProgramDir / "settings.ini", globals.ProgramFolder);
    if (config.portable) {
        globals.IsPortable = true;
        globals.BackupsDir =
            withTrailingBackslash(config.dataPath) + std::string(keys::kBackupsSubfolder);
    }

    auto settings =
        SettingsKey::open(registry, platform::RootKey::CurrentUser, keys::kSettings, true);
    if (!settings) return;
    globals.BackupsMax = settings->integerWithDefault("BackupsMax", 60);
    globals.BackupsDelete = settings->integerWithDefault("BackupsDelete", 1);
}

}  // namespace quorvel::core
