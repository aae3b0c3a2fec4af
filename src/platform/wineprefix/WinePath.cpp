#include "platform/wineprefix/WinePath.h"

#include "platform/text/CaseInsensitive.h"

namespace quorvel::platform::wineprefix {

std::optional<WinePath> WinePath::parse(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) return std::nullopt;
    // Win32 device-namespace prefixes name the same file.
    if (path.size() >= 4 && isPathSeparator(path[0]) && isPathSeparator(path[1]) &&
        (path[2] == '?' || path[2] == '.') && isPathSeparator(path[3]))
        path.remove_prefix(4);
    if (path.size() < 2 || path[1] != ':') return std::nullopt;
    const char letter = text::asciiUpper(path[0]);
    if (letter < 'A' || letter > 'Z') return std::nullopt;

    WinePath result;
    result.drive = letter;
    std::size_t pos = 2;
    while (pos < path.size()) {
        while (pos < path.size() && isPathSeparator(path[pos]))
            ++pos;
        std::size_t end = pos;
        while (end < path.size() && !isPathSeparator(path[end]))
            ++end;
        const std::string_view part = path.substr(pos, end - pos);
        pos = end;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!result.components.empty()) result.components.pop_back();
            continue;
        }
        // Characters no Windows file name may hold (':' would name a data stream).
        for (const char c : part)
            if (static_cast<unsigned char>(c) < 0x20 ||
                std::string_view(":*?<>|\"").find(c) != std::string_view::npos)
                return std::nullopt;
        result.components.emplace_back(part);
    }
    return result;
}

std::string WinePath::toString() const {
    std::string out{drive, ':'};
    if (components.empty()) return out + '\\';
    for (const auto& c : components) {
        out += '\\';
        out += c;
    }
    return out;
}

WinePath WinePath::parent() const {
    WinePath p = *this;
    if (!p.components.empty()) p.components.pop_back();
    return p;
}

WinePath WinePath::child(std::string name) const {
    WinePath p = *this;
    p.components.push_back(std::move(name));
    return p;
}

}  // namespace quorvel::platform::wineprefix
