#include "oneclick/OneClickSettings.h"

#include "core/settings/SettingsKey.h"
#include "core/settings/SettingsKeys.h"

namespace quorvel::oneclick {
namespace {

using platform::RootKey;

std::optional<core::SettingsKey> openKey(platform::Registry& registry, std::string_view path) {
    return core::SettingsKey::open(registry, RootKey::CurrentUser, path, true);
}

}  // namespace

Selection DefaultSelection() {
    Selection selection{};
    for (const ScanCategory c : kAllCategories)
        selection[Index(c)] = Info(c).selectedByDefault;
    return selection;
}

Selection LoadSelection(platform::Registry& registry) {
    Selection selection = DefaultSelection();
    auto key = openKey(registry, kSelectedKey);
    if (!key) return selection;
    for (const ScanCategory c : kAllCategories) {
        const CategoryInfo& info = Info(c);
        selection[Index(c)] = key->boolWithDefault(info.key, info.selectedByDefault);
    }
    return selection;
}

bool SaveSelection(platform::Registry& registry, const Selection& selection) {
    auto key = openKey(registry, kSelectedKey);
    if (!key) return false;
    bool ok = true;
    for (const ScanCategory c : kAllCategories) {
        ok = key->writeBool(Info(c).key, selection[Index(c)]) && ok;
    }
    return ok;
}

bool LoadScanFix(platform::Registry& registry) {
    auto key = openKey(registry, core::keys::kOneClick);
    return key ? key->boolWithDefault("scanfix", true) : true;
}

AutocareOptions LoadAutocareOptions(platform::Registry& registry) {
    AutocareOptions options;
    auto key = openKey(registry, core::keys::kOneClick);
    if (!key) return options;
    options.scanfix = key->boolWithDefault("scanfix", true);
    options.createRestorePoint = key->boolWithDefault("createrestorepoint", true);
    return options;
}

bool SaveAutocareOptions(platform::Registry& registry, const AutocareOptions& options) {
    auto key = openKey(registry, core::keys::kOneClick);
    if (!key) return false;
    const bool a = key->writeBool("scanfix", options.scanfix);
    const bool b = key->writeBool("createrestorepoint", options.createRestorePoint);
    return a && b;
}

}  // namespace quorvel::oneclick
