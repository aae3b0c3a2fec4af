#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel::platform::text {

// Windows rules for ASCII letters; every other byte compares as it is.
constexpr char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
constexpr char asciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

std::string toLowerAscii(std::string_view s);
std::string toUpperAscii(std::string_view s);

bool iequals(std::string_view a, std::string_view b);
// <0, 0, >0 like strcmp, comparing lower-cased bytes.
int icompare(std::string_view a, std::string_view b);
bool istartsWith(std::string_view s, std::string_view prefix);
bool iendsWith(std::string_view s, std::string_view suffix);
// Position of needle in haystack ignoring case, or npos.
std::size_t ifind(std::string_view haystack, std::string_view needle, std::size_t from = 0);
inline bool icontains(std::string_view haystack, std::string_view needle) {
    return ifind(haystack, needle) != std::string_view::npos;
}

struct ILess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return icompare(a, b) < 0; }
};
struct IHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const;
};
struct IEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return iequals(a, b); }
};

}  // namespace quorvel::platform::text
