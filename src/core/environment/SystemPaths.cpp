#include "core/environment/SystemPaths.h"

#include "platform/text/CaseInsensitive.h"
#include "platform/text/PathSeparators.h"

namespace quorvel::core {

std::vector<std::string> SplitSearchPath(std::string_view pathVariable) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < pathVariable.size()) {
        const auto end = pathVariable.find(';', start);
        if (end == std::string_view::npos) {
            entries.emplace_back(pathVariable.substr(start));
            break;
        }
        entries.emplace_back(pathVariable.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

std::string FixedDrivesText(const platform::Environment& environment) {
    std::string text;
    for (const auto& root : environment.logicalDrives()) {
        if (environment.driveType(root) != platform::DriveType::Fixed) continue;
        text += ';';
        text += root;
        text += ':';
    }
    return platform::text::toUpperAscii(text);
}

std::string LongPathName(const platform::Environment& environment, std::string_view path) {
    constexpr std::size_t kMaxPath = 260;
    if (path.empty()) return {};
    std::string longName = environment.longPathName(path);
    if (longName.empty() || longName.size() > kMaxPath) return std::string(path);
    return longName;
}

void SetFsRedirection(bool /*revert*/) {}

std::string WithTrailingBackslash(std::string_view folder) {
    return platform::text::withTrailingBackslash(folder);
}

}  // namespace quorvel::core
