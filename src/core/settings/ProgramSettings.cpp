#include "core/settings/ProgramSettings.h"

#include "core/settings/SettingsKeys.h"

namespace quorvel::core {

using platform::RootKey;

bool RestorePortableSettings(SettingsStore& settings, bool programIsPortable) {
    if (programIsPortable) return false;
    bool portable = false;
    if (auto key = settings.open(RootKey::CurrentUser, keys::kProgram, false))
        portable = key->readBool("Portable").value_or(false);
    if (!portable || !settings.keyExists(RootKey::CurrentUser, keys::kProgramBackup)) return false;
    // moveTree deletes the backup tree only after the whole copy succeeded, so a failure here
    // leaves the user's saved settings where they were.
    if (!settings.deleteTree(RootKey::CurrentUser, keys::kProgram)) return false;
    return settings.moveTree(RootKey::CurrentUser, keys::kProgramBackup, keys::kProgram);
}

void MarkFirstRun(SettingsStore& settings) {
    if (auto key = settings.open(RootKey::CurrentUser, keys::kSettings, true))
        key->writeInteger("FirstRun", 1);
}

PageIndex OpenCurrentView(SettingsStore& settings) {
    auto key = settings.open(RootKey::CurrentUser, keys::kProgram, true);
    if (!key) return PageIndex::OneClick;
    switch (key->integerWithDefault("Current View", 1)) {
        case 1:
            return PageIndex::OneClick;
        case 2:
            return PageIndex::Modules;
        default:
            return PageIndex::Status;
    }
}

void StoreCurrentView(SettingsStore& settings, PageIndex page) {
    if (auto key = settings.open(RootKey::CurrentUser, keys::kProgram, true))
        key->writeInteger("Current View", static_cast<std::int32_t>(page));
}

void WriteInstallInfo(SettingsStore& settings, std::string_view version, std::string_view rootDir) {
    auto key = settings.open(RootKey::LocalMachine, keys::kProgram, true);
    if (!key) return;
    key->writeString("Version", version);
    key->writeString("RootDir", rootDir);
}

CloseDecision DecideClose(SettingsStore& settings) {
    auto key = settings.open(RootKey::CurrentUser, keys::kSettings, true);
    if (!key) return {};
    const bool toTray = key->boolWithDefault("Minitotray", false);
    const bool balloonWanted = key->boolWithDefault("ShowBalloonMinitotray", true);
    const std::int32_t firstRun = key->readInteger("FirstRun").value_or(0);
    key->writeInteger("FirstRun", 2);
    return {toTray, toTray && firstRun == 1 && balloonWanted};
}

bool UpdateCheckWanted(SettingsStore& settings) {
    auto key = settings.open(RootKey::CurrentUser, keys::kSettings, true);
    return key && key->integerWithDefault("Checkupdates", 1) == 1;
}

}  // namespace quorvel::core
