#include "core/environment/ProtectedFolders.h"

#include "core/environment/SystemPaths.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/text/PathSeparators.h"

namespace quorvel::core {

namespace {

constexpr std::string_view kUninstallKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string withoutTrailingBackslash(std::string_view path) {
    return std::string(platform::text::withoutTrailingBackslash(path));
}

}  // namespace

const std::vector<std::string>& ProtectedFolders::folders(platform::Machine& machine,
                                                          const TGlobalVars& globals) {
    std::call_once(once_, [&] { folders_ = collect(machine, globals); });
    return folders_;
}

std::vector<std::string> ProtectedFolders::collect(platform::Machine& machine,
                                                   const TGlobalVars& globals) {
    using platform::text::icontains;
    std::vector<std::string> list;
    const std::string winTemp = globals.WinDir.empty() ? std::string{} : globals.WinDir + "Temp";

    auto uninstall = machine.registry().openKey(platform::RootKey::LocalMachine, kUninstallKey,
                                                platform::RegAccess::Read);
    if (uninstall) {
        for (const auto& name : (*uninstall)->subKeyNames()) {
            const auto entry = (*uninstall)->openSubKey(name, platform::RegAccess::Read);
            if (!entry) continue;
            const auto value = (*entry)->value("InstallSource");
            if (!value) continue;
            const auto source = value->asString();
            if (!source || source->empty()) continue;
            const std::string longSource = LongPathName(machine.environment(), *source);
            // An unknown temporary folder (empty field) must not match every path.
            const bool inTemp =
                (!globals.TempDir.empty() && icontains(longSource, globals.TempDir)) ||
                (!winTemp.empty() && icontains(longSource, winTemp));
            if (inTemp) list.push_back(withoutTrailingBackslash(longSource));
        }
    }

    static constexpr std::string_view kCaches[] = {"Cookies", "History", "MessengerCache",
                                                   "Temporary Internet Files"};
    if (!globals.TempDir.empty())
        for (const auto cache : kCaches)
            list.push_back(globals.TempDir + std::string(cache));
    if (!globals.WinDir.empty())
        for (const auto cache : kCaches)
            list.push_back(globals.WinDir + "TEMP\\" + std::string(cache));
    return list;
}

}  // namespace quorvel::core
