#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::platform::shelllink {

// UTF-8 text as Windows-1252 bytes (the ANSI code page of the links this program writes);
// nullopt when a character has no Windows-1252 byte. Reading uses text::cp1252ToUtf8.
std::optional<std::string> utf8ToCp1252(std::string_view utf8);

// As above, with '?' for every character that has no byte (WideCharToMultiByte's default).
std::string utf8ToCp1252Lossy(std::string_view utf8);

}  // namespace quorvel::platform::shelllink
