#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryTypes.h"
#include "platform/text/Unicode.h"

namespace quorvel::backup::testvalues {

// Values of every type with awkward names and data: what an export must carry exactly.
inline std::vector<platform::NamedRegValue> awkwardValues() {
    using platform::RegValue;
    namespace t = platform::regtype;
    std::vector<std::uint8_t> big(1000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    return {
        {"", RegValue::string("default")},
        {"plain", RegValue::string("C:\\Windows\\x.exe \"%1\"")},
        {"empty", RegValue::string("")},
        {"non-ascii Ünïcödé 日本 😀", RegValue::string("Grüße 😀")},
        {"back\\slash \"quote\" [bracket] ]x[ =eq", RegValue::dword(0x80000001)},
        {"@", RegValue::dword(0)},
        {"line\nbreak\rname", RegValue::string("x")},
        {"none", RegValue::binary({}, t::None)},
        {"none with data", RegValue::binary({1, 0, 2}, t::None)},
        {"multi", RegValue::multiString({"a", "", "c", ""})},
        {"multi empty", RegValue::binary({}, t::MultiSz)},
        {"binary zeros", RegValue::binary({0, 0, 0, 0})},
        {"binary empty", RegValue::binary({})},
        {"big", RegValue::binary(big)},
        {"expand", RegValue::string("%SystemRoot%\\system32", t::ExpandSz)},
        {"qword", RegValue::qword(0x0123456789ABCDEFull)},
        {"unknown type", RegValue::binary({9, 8, 7}, 0x12345)},
        {"big endian", RegValue::binary({0, 0, 0, 1}, t::DwordBigEndian)},
        {"sz no terminator", RegValue::binary({'a', 0, 'b', 0}, t::Sz)},
        {"sz odd length", RegValue::binary({'a', 0, 'b'}, t::Sz)},
        {"sz inner nul", RegValue::binary({'a', 0, 0, 0, 'b', 0, 0, 0}, t::Sz)},
        {"sz no data", RegValue::binary({}, t::Sz)},
        {"sz line break", RegValue::string("one\r\ntwo")},
        {"sz lone surrogate", RegValue::binary({0x00, 0xD8, 'x', 0, 0, 0}, t::Sz)},
        {"dword short", RegValue::binary({1, 2}, t::Dword)},
        {"trailing backslash\\", RegValue::string("ends with backslash\\")},
    };
}

// UTF-8 text as the bytes of a UTF-16LE file with byte-order mark.
inline std::string utf16File(std::string_view utf8) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t u : platform::text::utf8ToUtf16(utf8)) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

}  // namespace quorvel::backup::testvalues
