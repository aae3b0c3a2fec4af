#include "platform/wineprefix/WinePathShortName.h"

#include <cstdint>

#include "platform/text/CaseInsensitive.h"
#include "platform/text/Unicode.h"

namespace quorvel::platform::wineprefix {
namespace {

bool isInvalidDosChar(char16_t c) {
    if (c > 0x7f) return true;
    constexpr std::u16string_view invalid = u"*?<>|\"+=,;[] ~.";
    return invalid.find(c) != std::u16string_view::npos;
}

char16_t lower16(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + 32 : c;
}
char16_t upper16(char16_t c) {
    return (c >= u'a' && c <= u'z') ? c - 32 : c;
}

// Extension of a name: after its last dot, not counting leading dots.
std::string_view extensionOf(std::string_view name) {
    std::size_t first = 0;
    while (first < name.size() && name[first] == '.')
        ++first;
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot < first || dot + 1 == name.size()) return {};
    return name.substr(dot + 1);
}

}  // namespace

bool isLegal8Dot3Name(std::string_view name) {
    if (name.empty() || name.size() > 12) return false;
    if (name[0] == '.') return name == "." || name == "..";
    constexpr std::string_view invalid = "*?<>|\"+=,;[] :/\\";
    std::size_t dot = std::string_view::npos;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (static_cast<unsigned char>(name[i]) > 0x7f) return false;
        if (invalid.find(name[i]) != std::string_view::npos) return false;
        if (name[i] == '.') {
            if (dot != std::string_view::npos) return false;
            dot = i;
        }
    }
    if (dot == std::string_view::npos) return name.size() <= 8;
    if (dot > 8) return false;
    const std::size_t extension = name.size() - dot;
    return extension > 1 && extension < 5;
}

std::string wineShortName(std::string_view longName) {
    if (isLegal8Dot3Name(longName)) return text::toUpperAscii(longName);
    const std::u16string name = text::utf8ToUtf16(longName);
    if (name.empty()) return {};
    const std::size_t end = name.size();

    // Wine's hash of the lower-cased name.
    std::uint16_t hash = 0xbeef;
    for (std::size_t i = 0; i + 1 < end; ++i)
        hash = static_cast<std::uint16_t>((hash << 3) ^ (hash >> 5) ^ lower16(name[i]) ^
                                          (lower16(name[i + 1]) << 8));
    hash = static_cast<std::uint16_t>((hash << 3) ^ (hash >> 5) ^ lower16(name[end - 1]));

    // The extension starts at the last dot, leading dots excluded.
    std::size_t p = 0;
    while (p < end && name[p] == '.')
        ++p;
    std::size_t ext = std::u16string::npos;
    for (p = p + 1; p + 1 < end; ++p)
        if (name[p] == '.') ext = p;

    std::u16string out;
    int left = 4;
    for (std::size_t i = 0; left > 0 && i < end && i != ext; ++i) {
        if (name[i] == '.') continue;
        out += isInvalidDosChar(name[i]) ? u'_' : name[i];
        --left;
    }
    while (left-- >= 0)
        out += u'~';
    constexpr char hashChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    out += static_cast<char16_t>(hashChars[(hash >> 10) & 0x1f]);
    out += static_cast<char16_t>(hashChars[(hash >> 5) & 0x1f]);
    out += static_cast<char16_t>(hashChars[hash & 0x1f]);
    if (ext != std::u16string::npos) {
        out += u'.';
        for (std::size_t i = ext + 1, n = 0; n < 3 && i < end; ++i, ++n)
            out += isInvalidDosChar(name[i]) ? u'_' : name[i];
    }
    for (auto& c : out)
        c = upper16(c);
    return text::utf16ToUtf8(out);
}

bool isWineAliasOf(std::string_view shortName, std::string_view longName) {
    return text::iequals(wineShortName(longName), shortName);
}

unsigned aliasNumber(std::string_view shortName) {
    const auto tilde = shortName.rfind('~');
    if (tilde == std::string_view::npos) return 1;
    unsigned n = 0;
    std::size_t i = tilde + 1;
    for (; i < shortName.size() && shortName[i] >= '0' && shortName[i] <= '9' && n < 1000000; ++i)
        n = n * 10 + static_cast<unsigned>(shortName[i] - '0');
    return n == 0 ? 1 : n;
}

bool isNumberedAliasOf(std::string_view shortName, std::string_view longName) {
    const auto tilde = shortName.find('~');
    if (tilde == std::string_view::npos || tilde == 0) return false;
    // The part after '~' must be digits, up to the extension.
    const auto dot = shortName.find('.', tilde);
    const std::string_view digits = shortName.substr(
        tilde + 1, (dot == std::string_view::npos ? shortName.size() : dot) - tilde - 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    // Letters of the long name without spaces and dots must start with the alias's stem.
    const std::string_view longExt = extensionOf(longName);
    std::string_view longStem = longName;
    if (!longExt.empty()) longStem = longName.substr(0, longName.size() - longExt.size() - 1);
    std::string squeezed;
    for (const char c : longStem)
        if (c != ' ' && c != '.') squeezed += c;
    if (!text::istartsWith(squeezed, shortName.substr(0, tilde))) return false;
    const std::string_view aliasExt =
        dot == std::string_view::npos ? std::string_view() : shortName.substr(dot + 1);
    if (aliasExt.empty()) return longExt.empty();
    return text::istartsWith(longExt, aliasExt);
}

}  // namespace quorvel::platform::wineprefix
