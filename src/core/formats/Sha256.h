#pragma once

#include <string>
#include <string_view>

namespace quorvel::core {

// The SHA-256 digest of the bytes, as 64 lowercase hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace quorvel::core
