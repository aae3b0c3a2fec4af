#include "backup/BackupArchiveNames.h"

#include <array>
#include <cstdio>

#include "platform/text/CaseInsensitive.h"

namespace quorvel::backup {

std::string sfiEntryName(std::size_t position) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10zu.Sfi", position);
    return buf;
}

bool isSafeEntryName(std::string_view name) {
    if (name.empty() || name.size() > 255) return false;
    if (name.find("..") != std::string_view::npos) return false;
    if (name.find_first_not_of(". ") == std::string_view::npos) return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return false;
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) return false;
    }
    // Windows opens a device for these names whatever their extension.
    const std::string_view stem = name.substr(0, name.find('.'));
    static constexpr std::array<std::string_view, 4> kDevices{"CON", "PRN", "AUX", "NUL"};
    for (const auto device : kDevices) {
        if (platform::text::iequals(stem, device)) return false;
    }
    if (stem.size() == 4 &&
        (platform::text::istartsWith(stem, "COM") || platform::text::istartsWith(stem, "LPT")) &&
        stem[3] >= '1' && stem[3] <= '9')
        return false;
    return true;
}

}  // namespace quorvel::backup
