#include "backup/RegFileWriter.h"

#include <cstdio>
#include <optional>

#include "platform/text/Unicode.h"

namespace quorvel::backup::regfile {
namespace {

// Wrap hex lists once a line reaches this many characters, as regedit does.
constexpr std::size_t kMaxHexChars = 77;

std::u16string unitsOf(const std::vector<std::uint8_t>& data) {
    std::u16string units;
    units.reserve(data.size() / 2);
    for (std::size_t i = 0; i + 1 < data.size(); i += 2)
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    return units;
}

// The text of a REG_SZ that a quoted string carries exactly: even length, one terminating NUL at
// the very end and no other, no line breaks.
std::optional<std::string> quotableString(const platform::RegValue& value) {
    if (value.type != platform::regtype::Sz) return std::nullopt;
    if (value.data.size() < 2 || value.data.size() % 2 != 0) return std::nullopt;
    std::u16string units = unitsOf(value.data);
    if (units.back() != u'\0') return std::nullopt;
    units.pop_back();
    for (const char16_t u : units) {
        if (u == u'\0' || u == u'\r' || u == u'\n') return std::nullopt;
    }
    return platform::text::utf16ToUtf8(units);
}

std::string hexByte(std::uint8_t b) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02x", b);
    return buf;
}

}  // namespace

std::string escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\0':
                out += "\\0";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool isWritableKeyName(std::string_view name) {
    return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string keyLine(std::string_view rootName, std::string_view keyPath) {
    std::string line = "[";
    line += rootName;
    if (!keyPath.empty()) {
        line += '\\';
        line += keyPath;
    }
    line += ']';
    return line;
}

std::vector<std::string> valueLines(std::string_view name, const platform::RegValue& value) {
    std::string line = name.empty() ? std::string("@=") : "\"" + escape(name) + "\"=";

    if (auto text = quotableString(value)) {
        line += '"' + escape(*text) + '"';
        return {line};
    }
    if (value.type == platform::regtype::Dword && value.data.size() == 4) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", *value.asDword());
        return {line + buf};
    }

    std::string type = "hex:";
    if (value.type != platform::regtype::Binary) {
        char buf[24];
        std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(value.type));
        type = buf;
    }
    // Columns count UTF-16 units, as in the written file.
    std::size_t column = platform::text::utf8ToUtf16(line).size() + type.size();
    line += type;

    std::vector<std::string> lines;
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        line += hexByte(value.data[i]);
        if (i + 1 == value.data.size()) break;
        line += ',';
        column += 3;
        if (column >= kMaxHexChars) {
            line += '\\';
            lines.push_back(std::move(line));
            line = "  ";
            column = 2;
        }
    }
    lines.push_back(std::move(line));
    return lines;
}

std::string encodeFile(const std::vector<std::string>& lines) {
    std::u16string text;
    text.append(platform::text::utf8ToUtf16(kHeader));
    text.append(u"\r\n\r\n");
    for (const auto& line : lines) {
        text.append(platform::text::utf8ToUtf16(line));
        text.append(u"\r\n");
    }
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + text.size() * 2);
    for (const char16_t u : text) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

}  // namespace quorvel::backup::regfile
