#include "platform/pe/VersionInfo.h"

#include <cstdio>

#include "platform/text/CaseInsensitive.h"

namespace quorvel::platform {

std::string VersionTranslation::tableKey() const {
    char key[9];
    std::snprintf(key, sizeof key, "%04X%04X", static_cast<unsigned>(language),
                  static_cast<unsigned>(codePage));
    return key;
}

std::optional<std::string> VersionInfo::string(std::string_view tableKey,
                                               std::string_view name) const {
    for (const auto& table : stringTables) {
        if (!text::iequals(table.key, tableKey)) continue;
        for (const auto& [itemName, value] : table.strings) {
            if (text::iequals(itemName, name)) return value;
        }
    }
    return std::nullopt;
}

std::optional<std::string> VersionInfo::firstTranslationString(std::string_view name) const {
    if (translations.empty()) return std::nullopt;
    return string(translations.front().tableKey(), name);
}

}  // namespace quorvel::platform
