#include "core/settings/ModuleBackup.h"

#include "core/settings/SettingsKeys.h"

namespace quorvel::core {

bool ModuleBackupEnabled(platform::Registry& registry, std::string_view moduleName) {
    const auto key = registry.openKey(platform::RootKey::CurrentUser, keys::kAvailableModules,
                                      platform::RegAccess::Read);
    if (!key) return true;
    const auto value = (*key)->value(moduleName);
    if (!value) return true;
    const auto dword = value->asDword();
    // A value of another type cannot say "off": backups stay on.
    return !dword || *dword != 0;
}

}  // namespace quorvel::core
