#include "platform/wineprefix/HiveText.h"

#include <charconv>
#include <cstdio>

#include "platform/text/Unicode.h"

namespace quorvel::platform::wineprefix::hivetext {
namespace {

constexpr char kEscapes[33] = ".......abtnvfr.............e....";

template <class UnitAt>
void appendEscapedUnits(std::string& out, std::size_t count, UnitAt unitAt, char e1, char e2) {
    char buf[16];
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t c = unitAt(i);
        const std::size_t left = count - i;
        if (c > 127) {
            const char16_t next = left > 1 ? unitAt(i + 1) : 0;
            const bool pad = left > 1 && next < 128 && isHexDigit(static_cast<char>(next));
            const int n =
                std::snprintf(buf, sizeof buf, pad ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
            out.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (c < 32) {
            if (c == 0 && left == 1) continue;  // the terminating NUL
            if (kEscapes[c] != '.') {
                out.push_back('\\');
                out.push_back(kEscapes[c]);
            } else {
                const char16_t next = left > 1 ? unitAt(i + 1) : 0;
                const bool pad = left > 1 && next >= '0' && next <= '7';
                const int n = std::snprintf(buf, sizeof buf, pad ? "\\%03o" : "\\%o",
                                            static_cast<unsigned>(c));
                out.append(buf, static_cast<std::size_t>(n));
            }
            continue;
        }
        const char ch = static_cast<char>(c);
        if (ch == '\\' || ch == e1 || ch == e2) out.push_back('\\');
        out.push_back(ch);
    }
}

}  // namespace

void appendEscaped(std::string& out, std::u16string_view units, char e1, char e2) {
    appendEscapedUnits(
        out, units.size(), [&](std::size_t i) { return units[i]; }, e1, e2);
}

void appendEscapedBytes(std::string& out, const std::uint8_t* data, std::size_t unitCount, char e1,
                        char e2) {
    appendEscapedUnits(
        out, unitCount,
        [&](std::size_t i) { return static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8)); },
        e1, e2);
}

void appendEscapedName(std::string& out, std::string_view utf8, char e1, char e2) {
    bool plain = true;
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u > 127 || c == '\\' || c == e1 || c == e2) {
            plain = false;
            break;
        }
    }
    if (plain) {
        out.append(utf8);
        return;
    }
    // Runs of UTF-8 are escaped as wineserver writes them; a byte that is not UTF-8 (a name
    // read or made so) is written as it is.
    std::size_t run = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            ++i;
            continue;
        }
        if (const std::size_t n = text::utf8SequenceLength(utf8, i); n > 0) {
            i += n;
            continue;
        }
        appendEscaped(out, text::utf8ToUtf16(utf8.substr(run, i - run)), e1, e2);
        out.push_back(utf8[i]);
        run = ++i;
    }
    appendEscaped(out, text::utf8ToUtf16(utf8.substr(run)), e1, e2);
}

std::optional<std::size_t> decodeNameKeepingBytes(std::string_view in, char endChar,
                                                  std::string& out) {
    out.clear();
    std::u16string units;
    const auto used = decode(
        in, endChar, [&](char16_t u) { units.push_back(u); },
        [&](char byte) {
            out += text::utf16ToUtf8(units);
            units.clear();
            out.push_back(byte);
        });
    out += text::utf16ToUtf8(units);
    return used;
}

void appendUnixSeconds(std::string& out, FileTime t) {
    // Signed like wineserver's timeout_t, then printed as a 32-bit unsigned number.
    const std::int64_t ticks = static_cast<std::int64_t>(t.ticks) -
                               FileTime::kUnixEpochSeconds * FileTime::kTicksPerSecond;
    const auto seconds = static_cast<std::uint32_t>(ticks / FileTime::kTicksPerSecond);
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, seconds);
    out.append(buf, r.ptr);
}

void appendFileTimeHex(std::string& out, FileTime t) {
    char buf[24];
    const int n = std::snprintf(buf, sizeof buf, "%x%08x", static_cast<unsigned>(t.ticks >> 32),
                                static_cast<unsigned>(t.ticks & 0xFFFFFFFFu));
    out.append(buf, static_cast<std::size_t>(n));
}

FileTime parseFileTimeHex(std::string_view digits) {
    std::uint64_t v = 0;
    for (const char c : digits) {
        const std::uint8_t d = kHexDigitValue[static_cast<unsigned char>(c)];
        if (d == 0xFF) break;
        v = (v << 4) | d;
    }
    return FileTime{v};
}

}  // namespace quorvel::platform::wineprefix::hivetext
