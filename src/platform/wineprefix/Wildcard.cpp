#include "platform/wineprefix/Wildcard.h"

#include <string>

#include "platform/text/CaseInsensitive.h"

namespace quorvel::platform::wineprefix {
namespace {

// Length of the UTF-8 character starting at name[i] (1 for a stray byte).
std::size_t charLength(std::string_view name, std::size_t i) {
    std::size_t n = 1;
    while (i + n < name.size() && (static_cast<unsigned char>(name[i + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

// Glob matching with single-star backtracking: O(name * mask) at worst, never exponential.
bool globMatch(std::string_view name, std::string_view mask) {
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && mask[m] == '?') {
            ++m;
            n += charLength(name, n);
        } else if (m < mask.size() && text::asciiLower(mask[m]) == text::asciiLower(name[n])) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            starName += charLength(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

}  // namespace

bool hasWildcard(std::string_view mask) {
    return mask.find_first_of("*?") != std::string_view::npos;
}

bool matchesWildcard(std::string_view name, std::string_view mask) {
    if (name.empty() || mask.empty()) return false;
    if (globMatch(name, mask)) return true;
    if (name.find('.') == std::string_view::npos) return globMatch(std::string(name) + '.', mask);
    return false;
}

}  // namespace quorvel::platform::wineprefix
