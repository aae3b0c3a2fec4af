#include "core/paths/ShortcutTarget.h"

#include <vector>

#include "core/paths/EnvironmentExpansion.h"
#include "platform/text/PathSeparators.h"

namespace quorvel::core {
namespace {

std::string folderOf(std::string_view path) {
    const auto sep = path.find_last_of("\\/");
    return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep));
}

std::string join(std::string_view folder, std::string_view relative) {
    return platform::text::withTrailingBackslash(folder) + std::string(relative);
}

bool isAbsolute(std::string_view path) {
    return (path.size() >= 2 && path[1] == ':') ||
           (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
            (path[1] == '\\' || path[1] == '/'));
}

}  // namespace

std::string FoldPathDots(std::string_view path) {
    std::string text(path);
    for (auto& c : text)
        if (c == '/') c = '\\';
    // The fixed head ".." cannot leave: "C:\" or "\\server\share\".
    std::size_t headEnd = 0;
    if (text.size() >= 2 && text[1] == ':') {
        headEnd = text.size() >= 3 && text[2] == '\\' ? 3 : 2;
    } else if (text.rfind("\\\\", 0) == 0) {
        auto share = text.find('\\', 2);
        if (share != std::string::npos) share = text.find('\\', share + 1);
        headEnd = share == std::string::npos ? text.size() : share + 1;
    } else if (!text.empty() && text[0] == '\\') {
        headEnd = 1;  // the root of the current drive
    }
    std::vector<std::string_view> parts;
    const std::string_view rest = std::string_view(text).substr(headEnd);
    std::size_t from = 0;
    while (from <= rest.size()) {
        auto to = rest.find('\\', from);
        if (to == std::string_view::npos) to = rest.size();
        const auto part = rest.substr(from, to - from);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        from = to + 1;
    }
    std::string out = text.substr(0, headEnd);
    if (!out.empty() && out.back() != '\\' && headEnd > 2 && !parts.empty()) out.push_back('\\');
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out.push_back('\\');
        out += parts[i];
    }
    return out;
}

ShortcutTarget ResolveShortcutTarget(const platform::ShellLink& link, std::string_view linkPath,
                                     const platform::Environment& environment,
                                     const platform::FileSystem& fileSystem) {
    // Location information and ID list (targetPath() gives them in this order), then the
    // environment block, which targetPath() returns unexpanded.
    const std::string env = link.environmentTarget();
    std::string recorded = link.targetPath();
    if (!recorded.empty() && recorded != env) return {std::move(recorded), true};
    if (!env.empty()) {
        if (auto expanded = ExpandEnvironmentVars(environment, env)) return {*expanded, true};
        return {env, false};
    }
    if (!link.relativePath || link.relativePath->empty()) return {};
    const std::string& relative = *link.relativePath;
    if (isAbsolute(relative)) return {FoldPathDots(relative), true};
    if (relative[0] == '\\' || relative[0] == '/') {
        // The root of the shortcut's own drive.
        return {FoldPathDots(std::string(linkPath.substr(0, 2)) + relative), true};
    }
    const std::string beside = FoldPathDots(join(folderOf(linkPath), relative));
    if (fileSystem.attributes(beside) != platform::fileattr::Invalid) return {beside, true};
    if (link.workingDirectory && !link.workingDirectory->empty()) {
        auto work = ExpandEnvironmentVars(environment, *link.workingDirectory);
        if (work) {
            const std::string inWork = FoldPathDots(join(*work, relative));
            if (fileSystem.attributes(inWork) != platform::fileattr::Invalid) return {inWork, true};
        }
    }
    return {beside, true};
}

}  // namespace quorvel::core
