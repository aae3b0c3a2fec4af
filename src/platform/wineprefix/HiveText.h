#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/FileTime.h"

namespace quorvel::platform::wineprefix::hivetext {

// Value of each byte as a hex digit, 0xFF for bytes that are none.
inline constexpr auto kHexDigitValue = [] {
    std::array<std::uint8_t, 256> table{};
    for (auto& v : table)
        v = 0xFF;
    for (int c = 0; c < 10; ++c)
        table['0' + c] = static_cast<std::uint8_t>(c);
    for (int c = 0; c < 6; ++c) {
        table['a' + c] = static_cast<std::uint8_t>(10 + c);
        table['A' + c] = static_cast<std::uint8_t>(10 + c);
    }
    return table;
}();

inline bool isHexDigit(char c) {
    return kHexDigitValue[static_cast<unsigned char>(c)] != 0xFF;
}
// For a hex digit only.
inline int hexValue(char c) {
    return kHexDigitValue[static_cast<unsigned char>(c)];
}
inline bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Reads Wine's escaped text (\\ \" \n \r \t \a \b \e \f \v, \xNNNN, octal \NNN, UTF-8 for
// other bytes) from the start of `in` up to the unescaped `endChar`, passing each UTF-16 code
// unit to `push` and each byte that starts no UTF-8 sequence to `keep` (Wine skips those).
// Returns how many characters were read including `endChar`, or nullopt when the text ends
// first.
template <class Push, class Keep>
std::optional<std::size_t> decode(std::string_view in, char endChar, Push&& push, Keep&& keep) {
    const char* p = in.data();
    const char* const end = p + in.size();
    while (p < end && *p != endChar) {
        if (*p == '\\') {
            ++p;
            if (p == end) return std::nullopt;
            char16_t unit = 0;
            bool handled = true;
            switch (*p) {
                case 'a':
                    unit = 0x07;
                    ++p;
                    break;
                case 'b':
                    unit = 0x08;
                    ++p;
                    break;
                case 'e':
                    unit = 0x1B;
                    ++p;
                    break;
                case 'f':
                    unit = 0x0C;
                    ++p;
                    break;
                case 'n':
                    unit = 0x0A;
                    ++p;
                    break;
                case 'r':
                    unit = 0x0D;
                    ++p;
                    break;
                case 't':
                    unit = 0x09;
                    ++p;
                    break;
                case 'v':
                    unit = 0x0B;
                    ++p;
                    break;
                case 'x':
                    ++p;
                    if (p == end || !isHexDigit(*p)) {
                        unit = u'x';
                    } else {
                        for (int i = 0; i < 4 && p < end && isHexDigit(*p); ++i, ++p)
                            unit = static_cast<char16_t>(unit * 16 + hexValue(*p));
                    }
                    break;
                case '0':
                case '1':
                case '2':
                case '3':
                case '4':
                case '5':
                case '6':
                case '7':
                    for (int i = 0; i < 3 && p < end && *p >= '0' && *p <= '7'; ++i, ++p)
                        unit = static_cast<char16_t>(unit * 8 + (*p - '0'));
                    break;
                default:
                    handled = false;  // the escaped character stands for itself
                    break;
            }
            if (handled) {
                push(unit);
                continue;
            }
        }
        const auto c = static_cast<unsigned char>(*p++);
        if (c < 0x80) {
            push(static_cast<char16_t>(c));
            continue;
        }
        // UTF-8 sequence; a byte that starts none is handed to `keep`.
        const char* const lead = p - 1;
        int length = 0;
        std::uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 3;
            cp = c & 0x07;
        } else {
            keep(static_cast<char>(c));
            continue;
        }
        bool ok = true;
        for (int i = 0; i < length; ++i) {
            if (p == end || (static_cast<unsigned char>(*p) ^ 0x80) >= 0x40) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(*p++) ^ 0x80);
        }
        static constexpr std::uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[length] || cp > 0x10FFFF) {
            keep(static_cast<char>(c));
            p = lead + 1;  // the bytes after it are read on their own
            continue;
        }
        if (cp <= 0xFFFF) {
            push(static_cast<char16_t>(cp));
        } else {
            cp -= 0x10000;
            push(static_cast<char16_t>(0xD800 | (cp >> 10)));
            push(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
        }
    }
    if (p == end) return std::nullopt;
    return static_cast<std::size_t>(p + 1 - in.data());
}

// The same, passing over bytes that are not UTF-8 as Wine does.
template <class Push>
std::optional<std::size_t> decode(std::string_view in, char endChar, Push&& push) {
    return decode(in, endChar, std::forward<Push>(push), [](char) {});
}

// An escaped name as UTF-8. Bytes that are not UTF-8 stay as they are, so that the name is
// written back with exactly the bytes it was read with.
std::optional<std::size_t> decodeNameKeepingBytes(std::string_view in, char endChar,
                                                  std::string& out);

// Appends UTF-16 text escaped as wineserver writes it; `e1`/`e2` are the delimiter characters
// that get a backslash ('"' in values, '[' and ']' in key paths). A NUL as the very last unit
// is left out (the terminator of string data).
void appendEscaped(std::string& out, std::u16string_view units, char e1, char e2);
// The same for string data held as UTF-16LE bytes (an even number of them).
void appendEscapedBytes(std::string& out, const std::uint8_t* data, std::size_t unitCount, char e1,
                        char e2);
// The same for a UTF-8 name.
void appendEscapedName(std::string& out, std::string_view utf8, char e1, char e2);

// "[path] 1701234567" seconds and "#time=" FILETIME digits as wineserver prints them.
void appendUnixSeconds(std::string& out, FileTime t);
void appendFileTimeHex(std::string& out, FileTime t);
// Reads the digits after "#time=" (stops at the first non-hex character).
FileTime parseFileTimeHex(std::string_view digits);

}  // namespace quorvel::platform::wineprefix::hivetext
