#pragma once

#include <string>
#include <string_view>

namespace quorvel::platform::text {

// Windows accepts both in file paths.
constexpr bool isPathSeparator(char c) {
    return c == '\\' || c == '/';
}

// "C:\Temp\" -> "C:\Temp": trailing separators go, except the one of a drive root ("C:\").
constexpr std::string_view withoutTrailingBackslash(std::string_view path) {
    const bool driveRoot = path.size() >= 3 && path[1] == ':' && isPathSeparator(path[2]);
    const std::size_t keep = driveRoot ? 3 : 0;
    while (path.size() > keep && isPathSeparator(path.back()))
        path.remove_suffix(1);
    return path;
}

// "C:\Temp" -> "C:\Temp\"; a path that ends in a separator, and "", stay as they are.
inline std::string withTrailingBackslash(std::string_view path) {
    std::string out(path);
    if (!out.empty() && !isPathSeparator(out.back())) out.push_back('\\');
    return out;
}

}  // namespace quorvel::platform::text
