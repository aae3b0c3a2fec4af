#pragma once

#include <string>
#include <string_view>

namespace quorvel::core {

// The part before the first, after the first, after the last occurrence of delimiter (with the
// delimiter when includeDelimiter); the whole text when the delimiter is absent or empty.
std::string TextBefore(std::string_view delimiter, std::string_view text,
                       bool includeDelimiter = false);
std::string TextAfter(std::string_view delimiter, std::string_view text,
                      bool includeDelimiter = false);
std::string TextAfterLast(std::string_view delimiter, std::string_view text,
                          bool includeDelimiter = false);

}  // namespace quorvel::core
