#include "registry/IgnoreLists.h"

#include "core/formats/CompressedData.h"
#include "core/paths/PathUtils.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/text/Trim.h"

#include <utility>

namespace quorvel::registry {

namespace {

namespace text = platform::text;
bool ReadsTrue(const platform::RegValue& value) {
    if (auto dword = value.asDword()) return *dword != 0;
    if (auto qword = value.asQword()) return *qword != 0;
    return false;
}

bool AnyEntryOccurs(const std::vector<std::string>& entries, std::string_view lowerTarget,
                    bool honourSwitchedOff) {
    for (const auto& entry : entries) {
        if (entry.empty()) continue;
        if (honourSwitchedOff && entry.front() == ';') continue;
        if (text::icontains(lowerTarget, entry)) return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> ParseExclusionLines(const std::vector<std::string>& lines) {
    std::vector<std::string> entries;
    for (const auto& raw : lines) {
        std::string_view line = platform::text::trim(raw);
        if (line.empty() || line.front() == ';') continue;
        const auto remark = line.find("//");
        if (remark != std::string_view::npos) line = platform::text::trim(line.substr(0, remark));
        entries.emplace_back(line);
    }
    return entries;
}

std::vector<std::string> ReadUserIgnoreList(platform::Registry& registry) {
    std::vector<std::string> entries;
    auto key = registry.createKey(platform::RootKey::CurrentUser, kIgnoreListKey);
    if (!key) key = registry.openKey(platform::RootKey::CurrentUser, kIgnoreListKey);
    if (!key) return entries;
    for (const auto& value : (*key)->values()) {
        if (!value.name.empty() && ReadsTrue(value.value)) entries.push_back(value.name);
    }
    return entries;
}

void LoadIgnoreLists(const core::Context& context, TGlobalReg& lists) {
    lists.BuiltInExclusions.clear();
    lists.UserIgnoreList.clear();
    const auto file = context.globals.ProgramDir / "data" / "registry.dat";
    lists.BuiltInExclusions = ParseExclusionLines(core::LoadCompressedLines(file).lines);
    lists.UserIgnoreList = ReadUserIgnoreList(context.machine.registry());
}

bool IsIgnored(const TGlobalReg& lists, platform::RootKey root, std::string_view keyPath,
               std::string_view valueName, std::string_view data) {
    std::string target = core::RootKeyName(root);
    target.append(keyPath).append("\\").append(valueName).append("\\").append(data);
    target = text::toLowerAscii(target);
    return AnyEntryOccurs(lists.BuiltInExclusions, target, false) ||
           AnyEntryOccurs(lists.UserIgnoreList, target, true);
}

std::string IgnoreEntryFor(platform::RootKey root, std::string_view keyPath,
                           std::string_view valueName) {
    std::string entry = core::RootKeyName(root);
    entry.append(keyPath).append("\\").append(valueName);
    return entry;
}

platform::Status AddToIgnoreList(platform::Registry& registry, TGlobalReg& lists,
                                 std::string_view entry) {
    std::string previous;
    bool replaced = false;
    for (auto& existing : lists.UserIgnoreList) {
        std::string_view bare = existing;
        if (!bare.empty() && bare.front() == ';') bare.remove_prefix(1);
        if (text::iequals(bare, entry)) {
            previous = std::exchange(existing, std::string(entry));
            replaced = true;
            break;
        }
    }
    if (!replaced) lists.UserIgnoreList.emplace_back(entry);
    auto status = WriteIgnoreEntry(registry, entry);
    // The switched-off twin would come back as a second entry at the next load.
    if (status && replaced && !text::iequals(previous, entry)) {
        if (auto key = registry.openKey(platform::RootKey::CurrentUser, kIgnoreListKey,
                                        platform::RegAccess::ReadWrite)) {
            (void)(*key)->deleteValue(previous);
        }
    }
    return status;
}

platform::Status WriteIgnoreEntry(platform::Registry& registry, std::string_view entry) {
    auto key = registry.createKey(platform::RootKey::CurrentUser, kIgnoreListKey);
    if (!key) return key.status();
    return (*key)->setValue(entry, platform::RegValue::dword(1));
}

}  // namespace quorvel::registry
