#include "platform/wineprefix/DosAttrib.h"

#include <cstdio>

namespace quorvel::platform::wineprefix {
namespace {

std::uint32_t readU16(std::string_view d, std::size_t at) {
    return static_cast<unsigned char>(d[at]) | (static_cast<unsigned char>(d[at + 1]) << 8);
}

std::uint32_t readU32(std::string_view d, std::size_t at) {
    return readU16(d, at) | (readU16(d, at + 2) << 16);
}

void writeU32(std::string& d, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        d[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Hex text "0x..." up to the end or the first NUL; nullopt when it is not that.
std::optional<std::uint32_t> parseHexText(std::string_view text) {
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    if (text.size() > 10) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 2; i < text.size(); ++i) {
        const char c = text[i];
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return std::nullopt;
        value = (value << 4) | digit;
    }
    return value;
}

// Offset of the attribute field of a binary record starting at `start` (version, level,
// padding to 4 bytes, record); nullopt when the record is too short or of no known version.
std::optional<std::size_t> binaryAttribOffset(std::string_view d, std::size_t start) {
    if (start + 4 > d.size()) return std::nullopt;
    const std::uint32_t version = readU16(d, start);
    const std::size_t record = (start + 4 + 3) / 4 * 4;
    std::size_t field = 0;
    if (version == 1 || version == 0xFFFF)
        field = record;
    else if (version >= 2 && version <= 5)
        field = record + 4;
    else
        return std::nullopt;
    if (field + 4 > d.size()) return std::nullopt;
    return field;
}

std::size_t align(std::size_t offset, std::size_t to) {
    return (offset + to - 1) / to * to;
}

std::string hexText(std::uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", value);
    return buf;
}

}  // namespace

std::optional<std::uint32_t> parseDosAttrib(std::string_view data) {
    if (auto hex = parseHexText(data)) return hex;
    if (auto at = binaryAttribOffset(data, 0)) return readU32(data, *at);
    return std::nullopt;
}

std::string updateDosAttrib(std::string_view existing, std::uint32_t attributes) {
    const auto old = parseDosAttrib(existing);
    const std::uint32_t value =
        ((old ? *old : 0) & ~kDosAttribStoredBits) | (attributes & kDosAttribStoredBits);
    const auto nul = existing.find('\0');
    if (!old || !parseHexText(existing)) {
        // Plain text for new or unreadable values; a bare binary record is patched in place.
        if (old) {
            std::string patched(existing);
            writeU32(patched, *binaryAttribOffset(existing, 0), value);
            return patched;
        }
        return hexText(value);
    }
    if (nul == std::string_view::npos) return hexText(value);

    // Samba 4: text, NUL, then version and level (2-byte aligned) and the record (4-byte
    // aligned), alignments counted from the value's start. The text may change length, so the
    // record is laid out again with the new padding.
    const std::size_t versionAt = align(nul + 1, 2);
    const std::size_t recordAt = align(versionAt + 4, 4);
    std::string out = hexText(value);
    out += '\0';
    if (recordAt > existing.size()) {
        out += existing.substr(nul + 1);  // too short to be a record: kept as it was
        return out;
    }
    const std::size_t newVersionAt = align(out.size(), 2);
    out.resize(newVersionAt, '\0');
    out += existing.substr(versionAt, 4);
    out.resize(align(out.size(), 4), '\0');
    const std::size_t newRecordAt = out.size();
    out += existing.substr(recordAt);
    if (const auto field = binaryAttribOffset(existing, versionAt);
        field && readU32(existing, *field) == *old)
        writeU32(out, newRecordAt + (*field - recordAt), value);
    return out;
}

}  // namespace quorvel::platform::wineprefix
