#include "core/environment/ShellFolders.h"

#include <string_view>

#include "core/environment/SystemPaths.h"

namespace quorvel::core {

namespace {

constexpr std::string_view kShellFolders =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string readFolder(const platform::RegistryKey* key, std::string_view name) {
    if (key == nullptr) return {};
    const auto value = key->value(name);
    if (!value) return {};
    return WithTrailingBackslash(value->asString().value_or(std::string{}));
}

void fallback(std::string& field, const std::string& profile, std::string_view rest) {
    // Without a profile folder the fallback would be a relative path; leave the field empty.
    if (field.empty() && !profile.empty()) field = profile + std::string(rest);
}

}  // namespace

void LoadShellFolders(platform::Registry& registry, TGlobalVars& globals) {
    {
        const auto user = registry.openKey(platform::RootKey::CurrentUser, kShellFolders,
                                           platform::RegAccess::Read);
        const platform::RegistryKey* key = user ? user->get() : nullptr;
        globals.UserStartup = readFolder(key, "Startup");
        globals.UserStartMenu = readFolder(key, "Start Menu");
        globals.UserPrograms = readFolder(key, "Programs");
    }
    {
        const auto common = registry.openKey(platform::RootKey::LocalMachine, kShellFolders,
                                             platform::RegAccess::Read);
        const platform::RegistryKey* key = common ? common->get() : nullptr;
        globals.CommonStartup = readFolder(key, "Common Startup");
        globals.CommonStartMenu = readFolder(key, "Common Start Menu");
        globals.CommonPrograms = readFolder(key, "Common Programs");
    }
    fallback(globals.UserStartup, globals.UserProfile, "Start Menu\\Programs\\Startup\\");
    fallback(globals.UserStartMenu, globals.UserProfile, "Start Menu\\");
    fallback(globals.UserPrograms, globals.UserProfile, "Start Menu\\Programs\\");
    fallback(globals.CommonStartup, globals.AllUsersProfile, "Start Menu\\Programs\\Startup\\");
    fallback(globals.CommonStartMenu, globals.AllUsersProfile, "Start Menu\\");
    fallback(globals.CommonPrograms, globals.AllUsersProfile, "Start Menu\\Programs\\");
}

}  // namespace quorvel::core
