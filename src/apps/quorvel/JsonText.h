#pragma once

#include <string>
#include <string_view>

namespace quorvel::cli {

// The text as a JSON string literal, quotes included.
std::string jsonString(std::string_view text);

}  // namespace quorvel::cli
