#pragma once

#include <string_view>

namespace quorvel::platform::text {

// A blank is a space or a control character below it, as Windows' Trim treats them.
constexpr bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

constexpr std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

constexpr std::string_view trimRight(std::string_view s) {
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

constexpr std::string_view trim(std::string_view s) {
    return trimRight(trimLeft(s));
}

}  // namespace quorvel::platform::text
