#include "core/files/FolderIndex.h"

#include "platform/text/CaseInsensitive.h"

namespace quorvel::core {

namespace {

// Listings kept before the index starts again, so that a pass over a huge tree stays bounded.
constexpr std::size_t kNameLimit = 1'000'000;

// "X:\a\b" with plain components: no "." or "..", no 8.3 name, no wildcard, no forward slash,
// no trailing dot or blank (Windows strips those, and the file system decides how).
bool answerable(std::string_view path) {
    if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return false;
    if (path.find_first_of("/*?~\"<>|") != std::string_view::npos) return false;
    if (path.find(':', 2) != std::string_view::npos) return false;
    std::size_t start = 3;
    while (start <= path.size()) {
        auto end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        const auto component = path.substr(start, end - start);
        if (component.empty() || component.back() == '.' || component.back() == ' ') return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

const FolderIndex::Listing& FolderIndex::listing(std::string_view folder) const {
    std::string key = platform::text::toLowerAscii(folder);
    if (const auto it = folders_.find(key); it != folders_.end()) return it->second;
    if (names_ > kNameLimit) {
        folders_.clear();
        names_ = 0;
    }
    Listing listing;
    std::string pattern(folder);
    if (pattern.back() != '\\') pattern += '\\';
    for (const auto& found : fs_.find(pattern + '*')) {
        if (found.name == "." || found.name == "..") continue;
        const bool folderEntry = found.isDirectory();
        listing.exact.emplace(found.name, folderEntry);
        // find lists in case-insensitive order with twins by bytes, so the first one wins the
        // way a case-insensitive lookup picks it.
        listing.folded.emplace(platform::text::toLowerAscii(found.name), folderEntry);
    }
    names_ += listing.exact.size();
    return folders_.emplace(std::move(key), std::move(listing)).first->second;
}

bool FolderIndex::exists(std::string_view path, bool filesOnly) const {
    if (!answerable(path)) return filesOnly ? fs_.isFile(path) : fs_.exists(path);
    const auto cut = path.rfind('\\');
    const Listing& in = listing(path.substr(0, cut == 2 ? 3 : cut));
    const std::string name(path.substr(cut + 1));
    auto it = in.exact.find(name);
    if (it == in.exact.end()) {
        it = in.folded.find(platform::text::toLowerAscii(name));
        if (it == in.folded.end()) return false;
    }
    return !filesOnly || !it->second;
}

}  // namespace quorvel::core
