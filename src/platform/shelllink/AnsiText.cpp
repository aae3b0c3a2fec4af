#include "platform/shelllink/AnsiText.h"

#include <array>
#include <cstdint>
#include <map>

#include "platform/text/Unicode.h"

namespace quorvel::platform::shelllink {
namespace {

// Code point -> byte for the 128 upper bytes, built from the project's decoder so both
// directions agree (the five undefined bytes map to U+0081 and friends).
const std::map<char16_t, unsigned char>& upperHalf() {
    static const auto table = [] {
        std::map<char16_t, unsigned char> m;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const std::string one(1, static_cast<char>(b));
            const auto units = text::utf8ToUtf16(text::cp1252ToUtf8(one));
            if (units.size() == 1) m.emplace(units[0], static_cast<unsigned char>(b));
        }
        return m;
    }();
    return table;
}

std::string encode(std::string_view utf8, bool& complete) {
    complete = true;
    std::string out;
    const auto units = text::utf8ToUtf16(utf8);
    out.reserve(units.size());
    for (const char16_t u : units) {
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        const auto& table = upperHalf();
        const auto it = table.find(u);
        if (it == table.end()) {
            complete = false;
            out.push_back('?');
        } else {
            out.push_back(static_cast<char>(it->second));
        }
    }
    return out;
}

}  // namespace

std::optional<std::string> utf8ToCp1252(std::string_view utf8) {
    bool complete = false;
    auto bytes = encode(utf8, complete);
    if (!complete) return std::nullopt;
    return bytes;
}

std::string utf8ToCp1252Lossy(std::string_view utf8) {
    bool complete = false;
    return encode(utf8, complete);
}

}  // namespace quorvel::platform::shelllink
