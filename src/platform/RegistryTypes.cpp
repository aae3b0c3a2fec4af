#include "platform/RegistryTypes.h"

#include "platform/text/Unicode.h"

namespace quorvel::platform {
namespace {

void appendUtf16(std::vector<std::uint8_t>& out, std::u16string_view units) {
    for (const char16_t u : units) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
}

std::u16string unitsOf(const std::vector<std::uint8_t>& data) {
    std::u16string units;
    units.reserve(data.size() / 2);
    for (std::size_t i = 0; i + 1 < data.size(); i += 2)
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    return units;
}

}  // namespace

RegValue RegValue::string(std::string_view utf8, std::uint32_t type) {
    RegValue v;
    v.type = type;
    appendUtf16(v.data, text::utf8ToUtf16(utf8));
    appendUtf16(v.data, std::u16string(1, u'\0'));
    return v;
}

RegValue RegValue::multiString(const std::vector<std::string>& utf8Items) {
    RegValue v;
    v.type = regtype::MultiSz;
    for (const auto& item : utf8Items) {
        appendUtf16(v.data, text::utf8ToUtf16(item));
        appendUtf16(v.data, std::u16string(1, u'\0'));
    }
    appendUtf16(v.data, std::u16string(1, u'\0'));
    return v;
}

RegValue RegValue::dword(std::uint32_t value) {
    RegValue v;
    v.type = regtype::Dword;
    for (int i = 0; i < 4; ++i)
        v.data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return v;
}

RegValue RegValue::qword(std::uint64_t value) {
    RegValue v;
    v.type = regtype::Qword;
    for (int i = 0; i < 8; ++i)
        v.data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return v;
}

RegValue RegValue::binary(std::vector<std::uint8_t> bytes, std::uint32_t type) {
    RegValue v;
    v.type = type;
    v.data = std::move(bytes);
    return v;
}

std::optional<std::string> RegValue::asString() const {
    if (!isString()) return std::nullopt;
    std::u16string units = unitsOf(data);
    if (const auto nul = units.find(u'\0'); nul != std::u16string::npos) units.resize(nul);
    return text::utf16ToUtf8(units);
}

std::optional<std::vector<std::string>> RegValue::asMultiString() const {
    if (type != regtype::MultiSz) return std::nullopt;
    const std::u16string units = unitsOf(data);
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start < units.size()) {
        std::size_t end = units.find(u'\0', start);
        if (end == std::u16string::npos) end = units.size();
        if (end == start) break;
        items.push_back(text::utf16ToUtf8(std::u16string_view(units).substr(start, end - start)));
        start = end + 1;
    }
    return items;
}

std::optional<std::uint32_t> RegValue::asDword() const {
    if (data.size() != 4) return std::nullopt;
    if (type == regtype::Dword)
        return data[0] | (data[1] << 8) | (data[2] << 16) | (std::uint32_t{data[3]} << 24);
    if (type == regtype::DwordBigEndian)
        return data[3] | (data[2] << 8) | (data[1] << 16) | (std::uint32_t{data[0]} << 24);
    return std::nullopt;
}

std::optional<std::uint64_t> RegValue::asQword() const {
    if (type != regtype::Qword || data.size() != 8) return std::nullopt;
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | data[static_cast<std::size_t>(i)];
    return v;
}

}  // namespace quorvel::platform
