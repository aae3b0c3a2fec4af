#include "core/formats/IniFile.h"

#include <algorithm>

#include "core/formats/HostFile.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/text/Trim.h"

namespace quorvel::core {

using platform::ErrorCode;
using platform::Result;
using platform::Status;
using platform::text::iequals;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

using platform::text::isBlank;
using platform::text::trim;

// A value enclosed in matching single or double quotes loses them, as the profile functions do.
std::string unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

// Line breaks inside a name or value would split the line on the next read.
std::string singleLine(std::string_view text) {
    std::string result(text);
    std::replace(result.begin(), result.end(), '\r', ' ');
    std::replace(result.begin(), result.end(), '\n', ' ');
    return result;
}

// GetPrivateProfileInt's conversion: optional sign, then decimal digits up to the first other
// character. Arithmetic wraps at 32 bits as in Windows instead of overflowing.
std::int32_t leadingInteger(std::string_view text) {
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10u + static_cast<std::uint32_t>(c - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

bool isMissingFile(const Status& status) {
    return status.code() == ErrorCode::FileNotFound || status.code() == ErrorCode::PathNotFound;
}

}  // namespace

IniFile::Line IniFile::classify(std::string raw, std::string terminator) {
    Line line;
    line.raw = std::move(raw);
    line.terminator = std::move(terminator);
    const std::string_view text = trim(line.raw);
    if (text.empty() || text.front() == ';') return line;
    if (text.front() == '[') {
        const std::size_t close = text.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = Line::Kind::Section;
            line.name = std::string(trim(text.substr(1, close - 1)));
            return line;
        }
    }
    const std::size_t equals = text.find('=');
    if (equals != std::string_view::npos) {
        line.kind = Line::Kind::Entry;
        line.name = std::string(trim(text.substr(0, equals)));
        line.value = std::string(trim(text.substr(equals + 1)));
    }
    return line;
}

IniFile IniFile::parse(std::string_view text) {
    IniFile ini;
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        ini.bom_ = std::string(kUtf8Bom);
        text.remove_prefix(kUtf8Bom.size());
    }
    bool styleKnown = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        std::size_t length = 1;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') length = 2;
        const std::string terminator(text.substr(i, length));
        if (!styleKnown && terminator != "\r") {
            ini.newline_ = terminator;
            styleKnown = true;
        }
        ini.lines_.push_back(classify(std::string(text.substr(start, i - start)), terminator));
        i += length - 1;
        start = i + 1;
    }
    if (start < text.size()) ini.lines_.push_back(classify(std::string(text.substr(start)), {}));
    return ini;
}

std::optional<std::size_t> IniFile::firstUnreadableLine() const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        const bool control = std::any_of(line.raw.begin(), line.raw.end(), [](char c) {
            const auto u = static_cast<unsigned char>(c);
            return (u < 0x20 && u != '\t') || u == 0x7f;
        });
        const std::string_view text = trim(line.raw);
        const bool opaque = line.kind == Line::Kind::Other && !text.empty() && text.front() != ';';
        if (control || opaque) return i;
    }
    return std::nullopt;
}

std::string IniFile::serialize() const {
    std::string text = bom_;
    for (const Line& line : lines_) {
        text += line.raw;
        text += line.terminator;
    }
    return text;
}

std::size_t IniFile::sectionEnd(std::size_t header) const {
    std::size_t end = header + 1;
    while (end < lines_.size() && lines_[end].kind != Line::Kind::Section)
        ++end;
    return end;
}

std::vector<IniFile::Range> IniFile::sectionsNamed(std::string_view section) const {
    section = trim(section);
    std::vector<Range> ranges;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Kind::Section && iequals(lines_[i].name, section)) {
            ranges.push_back({i, sectionEnd(i)});
        }
    }
    return ranges;
}

const IniFile::Line* IniFile::findEntry(std::string_view section, std::string_view key) const {
    const std::vector<Range> ranges = sectionsNamed(section);
    if (ranges.empty()) return nullptr;
    key = trim(key);
    for (std::size_t i = ranges.front().header + 1; i < ranges.front().end; ++i) {
        if (lines_[i].kind == Line::Kind::Entry && iequals(lines_[i].name, key)) return &lines_[i];
    }
    return nullptr;
}

bool IniFile::sectionExists(std::string_view section) const {
    return !sectionsNamed(section).empty();
}

bool IniFile::valueExists(std::string_view section, std::string_view key) const {
    return findEntry(section, key) != nullptr;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    const Line* entry = findEntry(section, key);
    return entry ? unquote(entry->value) : std::string(defaultValue);
}

std::int32_t IniFile::readInteger(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue) const {
    const std::string text = readString(section, key);
    return text.empty() ? defaultValue : leadingInteger(text);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::vector<std::string> IniFile::sectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : lines_) {
        if (line.kind == Line::Kind::Section && !line.name.empty()) names.push_back(line.name);
    }
    return names;
}

std::vector<IniFile::KeyValue> IniFile::sectionValues(std::string_view section) const {
    std::vector<KeyValue> values;
    const std::vector<Range> ranges = sectionsNamed(section);
    if (ranges.empty()) return values;
    for (std::size_t i = ranges.front().header + 1; i < ranges.front().end; ++i) {
        if (lines_[i].kind == Line::Kind::Entry) {
            values.emplace_back(lines_[i].name, unquote(lines_[i].value));
        }
    }
    return values;
}

std::vector<std::string> IniFile::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    for (auto& [key, value] : sectionValues(section))
        names.push_back(key);
    return names;
}

void IniFile::appendLine(std::string raw) {
    if (!lines_.empty() && lines_.back().terminator.empty()) lines_.back().terminator = newline_;
    lines_.push_back(classify(std::move(raw), newline_));
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionName = singleLine(trim(section));
    const std::string keyName = singleLine(trim(key));
    const std::string text = singleLine(value);

    const std::vector<Range> ranges = sectionsNamed(sectionName);
    if (ranges.empty()) {
        appendLine("[" + sectionName + "]");
        appendLine(keyName + "=" + text);
        return;
    }
    const Range range = ranges.front();
    std::size_t insertAt = range.header + 1;
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        Line& line = lines_[i];
        if (line.kind == Line::Kind::Entry && iequals(line.name, keyName)) {
            line = classify(line.name + "=" + text, std::move(line.terminator));
            return;
        }
        if (!trim(line.raw).empty()) insertAt = i + 1;
    }
    // A new key goes after the section's last non-blank line, before any blank separator lines.
    if (lines_[insertAt - 1].terminator.empty()) lines_[insertAt - 1].terminator = newline_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  classify(keyName + "=" + text, newline_));
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

bool IniFile::eraseSection(std::string_view section) {
    const std::vector<Range> ranges = sectionsNamed(section);
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(it->header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(it->end));
    }
    return !ranges.empty();
}

bool IniFile::eraseKey(std::string_view section, std::string_view key) {
    const std::vector<Range> ranges = sectionsNamed(section);
    if (ranges.empty()) return false;
    key = trim(key);
    bool erased = false;
    for (std::size_t i = ranges.front().end; i-- > ranges.front().header + 1;) {
        if (lines_[i].kind == Line::Kind::Entry && iequals(lines_[i].name, key)) {
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
            erased = true;
        }
    }
    return erased;
}

Result<IniFile> IniFile::load(const std::filesystem::path& file) {
    Result<std::string> text = ReadHostFile(file);
    if (!text) return isMissingFile(text.status()) ? Result<IniFile>(IniFile{}) : text.status();
    return parse(*text);
}

Result<IniFile> IniFile::load(const platform::FileSystem& fs, std::string_view file) {
    Result<std::string> text = fs.readFile(file);
    if (!text) return isMissingFile(text.status()) ? Result<IniFile>(IniFile{}) : text.status();
    return parse(*text);
}

Status IniFile::save(const std::filesystem::path& file) const {
    return WriteHostFileAtomic(file, serialize());
}

Status IniFile::save(platform::FileSystem& fs, std::string_view file) const {
    return fs.writeFile(file, serialize(), platform::WriteMode::Durable);
}

}  // namespace quorvel::core
