#include "platform/FileSystem.h"
#include "platform/text/PathSeparators.h"

#include <vector>

namespace quorvel::platform {

bool FileSystem::isDirectory(std::string_view path) const {
    const auto a = attributes(path);
    return a != fileattr::Invalid && (a & fileattr::Directory) != 0;
}

bool FileSystem::isFile(std::string_view path) const {
    const auto a = attributes(path);
    return a != fileattr::Invalid && (a & fileattr::Directory) == 0;
}

Status FileSystem::createDirectoryTree(std::string_view path) {
    // Collect the prefixes ending before each separator, then create the missing ones in order.
    const std::string p(text::withoutTrailingBackslash(path));
    std::vector<std::string> chain;
    for (std::size_t i = 0; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '\\' || p[i] == '/') {
            std::string prefix = p.substr(0, i);
            if (prefix.size() > 2) chain.push_back(std::move(prefix));  // skip "C:"
        }
    }
    Status last;
    for (const auto& folder : chain) {
        if (isDirectory(folder)) continue;
        last = createDirectory(folder);
        if (!last && !isDirectory(folder)) return last;
    }
    return Status::ok();
}

}  // namespace quorvel::platform
