#pragma once

#include <string_view>

#include "core/Context.h"

namespace quorvel::core {

// Whether cleaners must leave this folder alone (installer sources and browser caches below the
// temporary folders). A trailing backslash is ignored. Fills the protected-folder list on first
// use.
bool IsProtectedPath(const Context& context, std::string_view folder);

// File-mask match with "*" and "?" (every other character literal), case-insensitive for ASCII.
bool MatchesMask(std::string_view text, std::string_view mask);

}  // namespace quorvel::core
