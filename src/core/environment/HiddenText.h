#pragma once

#include <string>
#include <string_view>

namespace quorvel::core {

// Texts the program keeps out of plain sight are stored as hexadecimal digit pairs, each byte
// XORed with one byte of an 8-byte key in turn. Decoding ignores a trailing odd digit; a pair
// that is not hexadecimal makes the whole text invalid and gives an empty result.
std::string DecodeHidden(std::string_view hex);
// The inverse of DecodeHidden, upper-case digits.
std::string EncodeHidden(std::string_view plain);

// The hidden texts: product title, help-site and home-page addresses.
std::string ProductTitle();
std::string HelpSiteAddress();
std::string HomePageAddress();

}  // namespace quorvel::core
