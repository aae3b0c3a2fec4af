#include "backup/RegFileParser.h"

#include <charconv>
#include <cstdint>

#include "backup/RegFileWriter.h"
#include "platform/RegistryNames.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/text/Trim.h"
#include "platform/text/Unicode.h"

namespace quorvel::backup::regfile {
namespace {

using platform::text::trim;
using platform::text::trimLeft;
using platform::text::trimRight;

using platform::ErrorCode;
using platform::RegValue;
using platform::Status;

Status failure(std::size_t lineNumber, const std::string& what) {
    return {ErrorCode::BadFormat,
            "Registry file line " + std::to_string(lineNumber) + ": " + what + "."};
}

void appendUnits(std::vector<std::uint8_t>& out, std::u16string_view units) {
    for (const char16_t u : units) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
}

// The file as UTF-8 text: UTF-16LE after a byte-order mark, otherwise UTF-8 or Windows-1252.
struct DecodedText {
    std::string text;
    bool wide = false;
};

platform::Result<DecodedText> decode(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        const std::string_view body = bytes.substr(2);
        if (body.size() % 2 != 0)
            return Status{ErrorCode::BadFormat,
                          "Registry file is truncated (odd number of bytes in UTF-16 text)."};
        std::u16string units;
        units.reserve(body.size() / 2);
        for (std::size_t i = 0; i < body.size(); i += 2)
            units.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(body[i]) |
                                                  (static_cast<std::uint8_t>(body[i + 1]) << 8)));
        return DecodedText{platform::text::utf16ToUtf8(units), true};
    }
    std::string_view body = bytes;
    if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
    std::string text =
        platform::text::isValidUtf8(body) ? std::string(body) : platform::text::cp1252ToUtf8(body);
    // A Version 5.00 file saved as UTF-8 (with or without a byte-order mark) is read as the
    // UTF-16 file it stands for, as the import of Windows and Wine reads it.
    std::string_view first = std::string_view(text).substr(0, text.find('\n'));
    if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
    const bool version5 = trim(first) == kHeader;
    return DecodedText{std::move(text), version5};
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::optional<std::uint32_t> parseHexNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
    if (ec != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return v;
}

// Reads a quoted text starting after its opening quote; pos ends after the closing quote.
// \\ \" \n \r \0 are escapes; any other backslash stays as it is.
std::optional<std::string> readQuoted(std::string_view s, std::size_t& pos) {
    std::string out;
    while (pos < s.size()) {
        const char c = s[pos++];
        if (c == '"') return out;
        if (c != '\\' || pos == s.size()) {
            out += c;
            continue;
        }
        const char e = s[pos++];
        switch (e) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case '0':
                out += '\0';
                break;
            default:
                out += '\\';
                out += e;
        }
    }
    return std::nullopt;
}

class Parser {
public:
    Parser(std::vector<std::string_view> lines, bool wide)
        : lines_(std::move(lines)), wide_(wide) {}

    platform::Result<ParsedFile> run() {
        if (lines_.empty()) return Status{ErrorCode::BadFormat, "Registry file is empty."};
        // Version 5.00 files are UTF-16; REGEDIT4 files are 8-bit text.
        const std::string_view header = trim(lines_[0]);
        if (wide_ ? header != kHeader : header != kHeader4)
            return Status{ErrorCode::BadFormat,
                          wide_ ? "Not a registry export file (no \"Windows Registry Editor "
                                  "Version 5.00\" header)."
                                : "Not a registry export file (neither a \"Windows Registry "
                                  "Editor Version 5.00\" nor a REGEDIT4 header)."};
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            const std::string_view line = trimLeft(lines_[index_]);
            Status s;
            if (line.empty() || line[0] == ';' || line[0] == '#') continue;
            if (line[0] == '[')
                s = parseKey(line);
            else if (line[0] == '"' || line[0] == '@')
                s = parseValue(line);
            else
                s = fail("neither a key, a value nor a comment");
            if (!s) return s;
        }
        return std::move(file_);
    }

private:
    Status fail(const std::string& what) const { return failure(index_ + 1, what); }

    Status parseKey(std::string_view line) {
        line = trimRight(line);
        if (line.size() < 2 || line.back() != ']') return fail("key line does not end with ]");
        std::string_view inner = line.substr(1, line.size() - 2);
        ParsedKey key;
        if (!inner.empty() && inner[0] == '-') {
            key.remove = true;
            inner.remove_prefix(1);
        }
        const auto sep = inner.find('\\');
        const std::string_view rootName = inner.substr(0, sep);
        const auto root = platform::parseRootKeyName(rootName);
        if (!root) return fail("unknown registry root \"" + std::string(rootName) + "\"");
        key.root = *root;
        if (sep != std::string_view::npos) {
            key.path = std::string(inner.substr(sep + 1));
            if (key.path.empty() || key.path.front() == '\\' || key.path.back() == '\\' ||
                key.path.find("\\\\") != std::string::npos)
                return fail("empty key name in key path");
        }
        file_.keys.push_back(std::move(key));
        return Status::ok();
    }

    Status parseValue(std::string_view line) {
        if (file_.keys.empty()) return fail("value before the first key");
        if (file_.keys.back().remove) return fail("value under a deleted key");

        ParsedValue value;
        std::size_t pos = 1;
        if (line[0] == '"') {
            auto name = readQuoted(line, pos);
            if (!name) return fail("value name without closing quote");
            value.name = std::move(*name);
        }
        std::string_view rest = trimLeft(line.substr(pos));
        if (rest.empty() || rest[0] != '=') return fail("value name not followed by =");
        rest = trimLeft(rest.substr(1));

        Status s = parseData(rest, value);
        if (!s) return s;
        file_.keys.back().values.push_back(std::move(value));
        return Status::ok();
    }

    Status parseData(std::string_view data, ParsedValue& value) {
        if (!data.empty() && data[0] == '"') {
            std::size_t pos = 1;
            auto text = readQuoted(data, pos);
            if (!text) return fail("string value without closing quote");
            if (!trim(data.substr(pos)).empty()) return fail("text after a string value");
            value.value = RegValue::string(*text);
            return Status::ok();
        }
        if (trimRight(data) == "-") {
            value.value.reset();
            return Status::ok();
        }
        if (platform::text::istartsWith(data, "dword:")) {
            const auto number = parseHexNumber(trimRight(data.substr(6)));
            if (!number) return fail("bad dword value");
            value.value = RegValue::dword(*number);
            return Status::ok();
        }
        if (platform::text::istartsWith(data, "hex")) return parseHex(data.substr(3), value);
        return fail("unknown value type");
    }

    Status parseHex(std::string_view data, ParsedValue& value) {
        std::uint32_t type = platform::regtype::Binary;
        if (!data.empty() && data[0] == '(') {
            const auto close = data.find(')');
            if (close == std::string_view::npos) return fail("hex( without )");
            const auto number = parseHexNumber(data.substr(1, close - 1));
            if (!number) return fail("bad value type number in hex()");
            type = *number;
            data.remove_prefix(close + 1);
        }
        if (data.empty() || data[0] != ':') return fail("hex value type not followed by :");
        data.remove_prefix(1);

        // Gather continuation lines: a list that ends in a backslash goes on in the next line.
        std::string list;
        for (;;) {
            const std::string_view part = trimRight(data);
            if (part.empty() || part.back() != '\\') {
                list += part;
                break;
            }
            list += part.substr(0, part.size() - 1);
            if (index_ + 1 >= lines_.size()) return fail("file ends inside a continued value");
            data = trimLeft(lines_[++index_]);
        }

        std::vector<std::uint8_t> bytes;
        if (!trim(list).empty()) {
            std::size_t start = 0;
            for (;;) {
                auto comma = list.find(',', start);
                const std::string_view token = trim(std::string_view(list).substr(
                    start, comma == std::string::npos ? std::string::npos : comma - start));
                const auto byte = token.size() == 2 ? parseHexNumber(token) : std::nullopt;
                if (!byte) return fail("bad hex byte \"" + std::string(token.substr(0, 8)) + "\"");
                bytes.push_back(static_cast<std::uint8_t>(*byte));
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        }
        if (!wide_ && (type == platform::regtype::ExpandSz || type == platform::regtype::MultiSz))
            bytes = widenAnsi(bytes);
        value.value = RegValue::binary(std::move(bytes), type);
        return Status::ok();
    }

    // REGEDIT4 files hold expandable and multi-strings as 8-bit text; values are UTF-16.
    static std::vector<std::uint8_t> widenAnsi(const std::vector<std::uint8_t>& bytes) {
        const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const std::string utf8 =
            platform::text::isValidUtf8(raw) ? std::string(raw) : platform::text::cp1252ToUtf8(raw);
        std::vector<std::uint8_t> wide;
        appendUnits(wide, platform::text::utf8ToUtf16(utf8));
        return wide;
    }

    std::vector<std::string_view> lines_;
    bool wide_;
    std::size_t index_ = 0;
    ParsedFile file_;
};

}  // namespace

platform::Result<ParsedFile> parseFile(std::string_view bytes) {
    auto decoded = decode(bytes);
    if (!decoded) return decoded.status();
    return Parser(splitLines(decoded->text), decoded->wide).run();
}

}  // namespace quorvel::backup::regfile
