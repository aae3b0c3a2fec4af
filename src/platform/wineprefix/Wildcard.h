#pragma once

#include <string_view>

namespace quorvel::platform::wineprefix {

// Whether a FindFirstFile mask holds a wildcard ('*' or '?').
bool hasWildcard(std::string_view mask);

// FindFirstFile matching of one file name against a mask: '*' matches any run of characters,
// '?' exactly one character, everything else itself with ASCII letter case ignored. A name
// without a dot also matches as if it ended in "." — which is why "*.*" and "name.*" match
// names without an extension and "*." matches only names without a dot. Short (8.3) aliases
// are never matched: "*.htm" does not find "page.html".
bool matchesWildcard(std::string_view name, std::string_view mask);

}  // namespace quorvel::platform::wineprefix
