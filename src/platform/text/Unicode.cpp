#include "platform/text/Unicode.h"

#include <array>
#include <cstdint>

namespace quorvel::platform::text {
namespace {

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one sequence at s[i]; returns the code point and advances i. Surrogate code points
// encoded in three bytes are accepted (WTF-8). Invalid bytes give U+FFFD and advance by one.
std::uint32_t decodeOne(std::string_view s, std::size_t& i, bool& valid) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    valid = true;
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    std::uint32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        valid = false;
        ++i;
        return 0xFFFD;
    }
    if (i + len > s.size()) {
        valid = false;
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            valid = false;
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr std::array<std::uint32_t, 5> kMin{0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF) {
        valid = false;
        ++i;
        return 0xFFFD;
    }
    i += len;
    return cp;
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        bool valid = true;
        const std::uint32_t cp = decodeOne(utf8, i, valid);
        if (cp >= 0x10000) {
            const std::uint32_t v = cp - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 | (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 | (v & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        std::uint32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        }
        appendUtf8(out, cp);
    }
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        bool valid = true;
        const std::uint32_t cp = decodeOne(bytes, i, valid);
        if (!valid || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    }
    return true;
}

std::size_t utf8SequenceLength(std::string_view bytes, std::size_t at) {
    std::size_t i = at;
    bool valid = true;
    (void)decodeOne(bytes, i, valid);
    return valid ? i - at : 0;
}

std::string cp1252ToUtf8(std::string_view bytes) {
    // 0x80..0x9F of Windows-1252; 0 marks the five undefined positions (kept as U+0080 + n).
    static constexpr std::array<std::uint16_t, 32> kHigh{
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        std::uint32_t cp = b;
        if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0) cp = kHigh[b - 0x80];
        appendUtf8(out, cp);
    }
    return out;
}

}  // namespace quorvel::platform::text
