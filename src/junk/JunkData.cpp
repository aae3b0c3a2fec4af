#include "junk/JunkData.h"

#include <algorithm>

#include "platform/text/CaseInsensitive.h"
#include "platform/text/PathSeparators.h"

namespace quorvel::junk {

using platform::RootKey;

bool IsCategorySelected(platform::Machine& machine, int category) {
    const auto key = machine.registry().openKey(RootKey::CurrentUser, kDiskCleanerKey);
    if (!key) return true;
    const auto value = (*key)->value(std::to_string(category));
    if (!value) return true;
    const auto dword = value->asDword();
    return !dword || *dword != 0;
}

platform::Status StoreCategorySelected(platform::Machine& machine, int category, bool selected) {
    auto key = machine.registry().createKey(RootKey::CurrentUser, kDiskCleanerKey);
    if (!key) return key.status();
    return (*key)->setValue(std::to_string(category), platform::RegValue::dword(selected ? 1 : 0));
}

std::vector<std::string> TempFolders(const core::TGlobalVars& globals) {
    std::vector<std::string> out;
    auto add = [&](std::string folder) {
        folder = std::string(platform::text::withoutTrailingBackslash(folder));
        if (folder.empty()) return;
        const bool seen = std::any_of(out.begin(), out.end(), [&](const std::string& f) {
            return platform::text::iequals(f, folder);
        });
        if (!seen) out.push_back(std::move(folder));
    };
    add(globals.TempDir);
    if (!globals.WinDir.empty())
        add(globals.WinDir + (globals.WinDir.back() == '\\' ? "" : "\\") + "TEMP");
    return out;
}

}  // namespace quorvel::junk
