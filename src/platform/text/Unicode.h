#pragma once

#include <string>
#include <string_view>

namespace quorvel::platform::text {

// UTF-8 <-> UTF-16 at the platform edges. Invalid input never fails: an invalid UTF-8 byte
// becomes U+FFFD, an unpaired surrogate is encoded as its three-byte form (WTF-8), so a
// UTF-16 -> UTF-8 -> UTF-16 round trip keeps every code unit.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

bool isValidUtf8(std::string_view bytes);
// Bytes of the UTF-8 (or WTF-8) sequence that starts at bytes[at]; 0 when it is not one.
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t at);
// Windows-1252 bytes to UTF-8 (the code page of language files that are not UTF-8).
std::string cp1252ToUtf8(std::string_view bytes);

}  // namespace quorvel::platform::text
