#include "core/paths/FormatSize.h"

#include <charconv>
#include <climits>
#include <clocale>

namespace quorvel::core {

namespace {

struct Punctuation {
    std::string decimal = ".";
    std::string thousands = ",";
    std::string grouping;  // as numpunct::grouping; empty means groups of three
};

Punctuation fromLocale(const std::locale& locale) {
    const auto& punct = std::use_facet<std::numpunct<char>>(locale);
    return {std::string(1, punct.decimal_point()), std::string(1, punct.thousands_sep()),
            punct.grouping()};
}

// The C library's numeric locale (what setlocale chose, as a GUI toolkit does at start), with
// "," standing in for a missing thousands separator.
Punctuation fromCLocale() {
    Punctuation p;
    if (const std::lconv* conv = std::localeconv()) {
        if (conv->decimal_point != nullptr && *conv->decimal_point != '\0')
            p.decimal = conv->decimal_point;
        if (conv->thousands_sep != nullptr && *conv->thousands_sep != '\0')
            p.thousands = conv->thousands_sep;
        if (conv->grouping != nullptr) p.grouping = conv->grouping;
    }
    return p;
}

// "%.2n": two decimals, thousands separators; the digits come from to_chars so that no locale
// can change them behind our back.
std::string formatNumber2(double value, const Punctuation& p) {
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (ec != std::errc{}) return "0" + p.decimal + "00";
    std::string digits(buffer, end);
    std::string sign;
    if (!digits.empty() && digits.front() == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    const auto dot = digits.find('.');
    const std::string whole = digits.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? "00" : digits.substr(dot + 1);

    // Groups from the right; the last size given repeats, CHAR_MAX or 0 ends grouping.
    std::string grouped;
    std::size_t groupIndex = 0;
    int groupSize = p.grouping.empty() ? 3 : static_cast<unsigned char>(p.grouping[0]);
    int inGroup = 0;
    const std::string reversedSeparator(p.thousands.rbegin(), p.thousands.rend());
    for (auto it = whole.rbegin(); it != whole.rend(); ++it) {
        if (groupSize > 0 && groupSize < CHAR_MAX && inGroup == groupSize) {
            grouped += reversedSeparator;
            inGroup = 0;
            if (groupIndex + 1 < p.grouping.size())
                groupSize = static_cast<unsigned char>(p.grouping[++groupIndex]);
        }
        grouped.push_back(*it);
        ++inGroup;
    }
    return sign + std::string(grouped.rbegin(), grouped.rend()) + p.decimal + fraction;
}

std::string formatSize(std::int64_t bytes, const Punctuation& p) {
    constexpr std::int64_t kKB = 1024;
    constexpr std::int64_t kMB = kKB * 1024;
    constexpr std::int64_t kGB = kMB * 1024;
    const auto value = static_cast<double>(bytes);
    if (bytes < kKB) return std::to_string(bytes) + " Byte";
    if (bytes < kMB) return formatNumber2(value / static_cast<double>(kKB), p) + " KB";
    if (bytes < kGB) return formatNumber2(value / static_cast<double>(kMB), p) + " MB";
    return formatNumber2(value / static_cast<double>(kGB), p) + " GB";
}

}  // namespace

std::string FormatSize(std::int64_t bytes) {
    const std::locale global;
    return formatSize(bytes, global == std::locale::classic() ? fromCLocale() : fromLocale(global));
}

std::string FormatSize(std::int64_t bytes, const std::locale& locale) {
    return formatSize(bytes, fromLocale(locale));
}

}  // namespace quorvel::core
