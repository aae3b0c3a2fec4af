#include "core/environment/HiddenText.h"

#include <array>
#include <cstdint>
#include <optional>

namespace quorvel::core {

namespace {

constexpr std::array<std::uint8_t, 8> kKey = {0x5A, 0x13, 0xC7, 0x2E, 0x91, 0x4B, 0xE8, 0x06};

constexpr std::string_view kProductTitle = "0B66A85CE72E84260F67AE42F83F816329";
constexpr std::string_view kHelpSite =
    "3267B35EE271C7293276AB5EBF3A9D692865A242BF2E90673763AB4BBE3E9C6F367AB347F438C7";
constexpr std::string_view kHomePage = "3267B35EE271C7292D64B000E03E87742C76AB00F433896B2A7FA201";

std::optional<int> hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return std::nullopt;
}

}  // namespace

std::string DecodeHidden(std::string_view hex) {
    std::string plain;
    plain.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size() / 2; ++i) {
        const auto high = hexDigit(hex[2 * i]);
        const auto low = hexDigit(hex[2 * i + 1]);
        if (!high || !low) return {};
        const auto byte = static_cast<std::uint8_t>((*high << 4) | *low);
        plain.push_back(static_cast<char>(byte ^ kKey[i % kKey.size()]));
    }
    return plain;
}

std::string EncodeHidden(std::string_view plain) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(plain.size() * 2);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const auto byte =
            static_cast<std::uint8_t>(static_cast<std::uint8_t>(plain[i]) ^ kKey[i % kKey.size()]);
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0F]);
    }
    return hex;
}

std::string ProductTitle() {
    return DecodeHidden(kProductTitle);
}
std::string HelpSiteAddress() {
    return DecodeHidden(kHelpSite);
}
std::string HomePageAddress() {
    return DecodeHidden(kHomePage);
}

}  // namespace quorvel::core
