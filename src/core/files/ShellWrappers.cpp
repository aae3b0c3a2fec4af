#include "core/files/ShellWrappers.h"

namespace quorvel::core {

platform::Result<TShellLinkInfo> ReadShellLink(const platform::Shell& shell,
                                               std::string_view file) {
    auto link = shell.readLink(file);
    if (!link) return link.status();
    TShellLinkInfo info;
    info.targetPath = link->targetPath();
    info.arguments = link->arguments.value_or(std::string{});
    info.description = link->description.value_or(std::string{});
    info.workingDirectory = link->workingDirectory.value_or(std::string{});
    info.iconFile = link->iconLocation.value_or(std::string{});
    info.iconIndex = link->iconIndex;
    info.showCommand = static_cast<std::int32_t>(link->showCommand);
    info.hotKey = link->hotKey;
    return info;
}

std::string ReadVersionString(const platform::Shell& shell, std::string_view file,
                              std::string_view item) {
    const auto info = shell.versionInfo(file);
    if (!info) return {};
    return info->firstTranslationString(item).value_or(std::string{});
}

std::array<std::string, 10> ReadVersionInfo(const platform::Shell& shell, std::string_view file) {
    std::array<std::string, 10> items;
    const auto info = shell.versionInfo(file);
    if (!info) return items;
    for (std::size_t i = 0; i < kVersionItems.size(); ++i)
        items[i] = info->firstTranslationString(kVersionItems[i]).value_or(std::string{});
    return items;
}

std::uint32_t DllVersion(const platform::Shell& shell, std::string_view file) {
    const auto info = shell.versionInfo(file);
    if (!info || !info->fixed) return 0;
    return info->fixed->fileVersionMs;
}

void RecycleBinSize(const platform::Shell& shell, std::string_view driveRoot,
                    RecycleBinTotals& totals) {
    const auto bin = shell.recycleBinQuery(driveRoot);
    if (!bin) {
        totals.size = -1;
        return;
    }
    totals.size = static_cast<std::int64_t>(bin->size);
    totals.count = static_cast<std::int64_t>(bin->count);
}

platform::Status EmptyRecycleBin(platform::Shell& shell, std::string_view driveRoot) {
    return shell.emptyRecycleBin(driveRoot);
}

int SmallIconIndex(const platform::Shell& shell, std::string_view file) {
    constexpr int kLargestIndex = 100000000;
    const int index = shell.smallIconIndex(file);
    return index > kLargestIndex ? -1 : index;
}

std::string SpecialFolder(const platform::Shell& shell, int csidl) {
    return shell.specialFolder(csidl);
}

bool ShowPropertiesDialog(platform::Shell& shell, std::string_view file) {
    return shell.shellExecute("properties", file, {}).isOk();
}

}  // namespace quorvel::core
