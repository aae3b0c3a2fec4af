#include "ui/SkinCatalog.h"

#include <algorithm>
#include <system_error>

#include "platform/text/CaseInsensitive.h"
#include "ui/Skin.h"

namespace quorvel::ui {

std::vector<SkinEntry> FindSkins(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::vector<SkinEntry> skins;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    const fs::recursive_directory_iterator end;
    while (!ec && it != end) {
        const fs::directory_entry& entry = *it;
        std::error_code typeError;
        if (platform::text::iequals(entry.path().filename().string(), "skin.ini") &&
            entry.is_regular_file(typeError)) {
            skins.push_back({entry.path(), Skin::load(entry.path()).description()});
        }
        it.increment(ec);
        if (ec) {  // an unreadable folder: go on with its next sibling
            ec.clear();
            if (it == end) break;
            it.pop(ec);
        }
    }
    std::sort(skins.begin(), skins.end(),
              [](const SkinEntry& a, const SkinEntry& b) { return a.file < b.file; });
    return skins;
}

bool SameSkinFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    return platform::text::iequals(a.lexically_normal().string(), b.lexically_normal().string());
}

}  // namespace quorvel::ui
