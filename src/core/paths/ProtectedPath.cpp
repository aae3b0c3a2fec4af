#include "core/paths/ProtectedPath.h"

#include "core/environment/ProtectedFolders.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/text/PathSeparators.h"

namespace quorvel::core {

bool MatchesMask(std::string_view text, std::string_view mask) {
    using platform::text::asciiLower;
    // Greedy matching with one back-tracking point: linear in practice, never exponential.
    std::size_t t = 0;
    std::size_t m = 0;
    std::size_t starMask = std::string_view::npos;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starText = t;
        } else if (m < mask.size() &&
                   (mask[m] == '?' || asciiLower(mask[m]) == asciiLower(text[t]))) {
            ++m;
            ++t;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

bool IsProtectedPath(const Context& context, std::string_view folder) {
    folder = platform::text::withoutTrailingBackslash(folder);
    if (folder.empty()) return false;
    for (const auto& entry : context.protectedFolders.folders(context.machine, context.globals)) {
        if (MatchesMask(folder, entry)) return true;
    }
    return false;
}

}  // namespace quorvel::core
