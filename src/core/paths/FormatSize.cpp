#include <charconv>
#include <climits>
#include <cmath>

#include "core/paths/PathUtils.h"

namespace quorvel::core {

namespace {

// "%.2n": two decimals, thousands separators; the digits come from to_chars so that the C
// library's locale cannot change them behind our back.
std::string formatNumber2(double value, const std::locale& locale) {
    const auto& punct = std::use_facet<std::numpunct<char>>(locale);
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (ec != std::errc{}) return "0" + std::string(1, punct.decimal_point()) + "00";
    std::string digits(buffer, end);
    std::string sign;
    if (!digits.empty() && digits.front() == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    const auto dot = digits.find('.');
    const std::string whole = digits.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? "00" : digits.substr(dot + 1);

    const std::string grouping = punct.grouping();
    const char separator = punct.thousands_sep();
    std::string grouped;
    std::size_t groupIndex = 0;
    int groupSize = grouping.empty() ? 3 : static_cast<unsigned char>(grouping[0]);
    int inGroup = 0;
    for (auto it = whole.rbegin(); it != whole.rend(); ++it) {
        if (groupSize > 0 && groupSize < CHAR_MAX && inGroup == groupSize) {
            grouped.push_back(separator);
            inGroup = 0;
            if (groupIndex + 1 < grouping.size())
                groupSize = static_cast<unsigned char>(grouping[++groupIndex]);
        }
        grouped.push_back(*it);
        ++inGroup;
    }
    return sign + std::string(grouped.rbegin(), grouped.rend()) + punct.decimal_point() + fraction;
}

}  // namespace

std::string FormatSize(std::int64_t bytes) {
    return FormatSize(bytes, std::locale());
}

std::string FormatSize(std::int64_t bytes, const std::locale& locale) {
    constexpr std::int64_t kKB = 1024;
    constexpr std::int64_t kMB = kKB * 1024;
    constexpr std::int64_t kGB = kMB * 1024;
    const auto value = static_cast<double>(bytes);
    if (bytes < kKB) return std::to_string(bytes) + " Byte";
    if (bytes < kMB) return formatNumber2(value / static_cast<double>(kKB), locale) + " KB";
    if (bytes < kGB) return formatNumber2(value / static_cast<double>(kMB), locale) + " MB";
    return formatNumber2(value / static_cast<double>(kGB), locale) + " GB";
}

}  // namespace quorvel::core
