#include "core/formats/TimeSerial.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <ctime>

namespace quorvel::core {

namespace chr = std::chrono;

namespace {

constexpr std::int64_t kMillisPerDay = 86'400'000;
constexpr chr::local_days kEpoch{chr::year{1899} / chr::December / 30};
// 0001-01-01 and 9999-12-31, the range of the date-time type.
constexpr double kMinDays = -693593.0;
constexpr double kMaxDays = 2958466.0;

chr::local_days localDays(const std::tm& tm) {
    return chr::local_days{chr::year{tm.tm_year + 1900} /
                           chr::month{static_cast<unsigned>(tm.tm_mon + 1)} /
                           chr::day{static_cast<unsigned>(tm.tm_mday)}};
}

// "1e-05" becomes "1E-5", as the Delphi float formatting writes exponents.
std::string delphiExponent(std::string text) {
    const std::size_t e = text.find('e');
    if (e == std::string::npos) return text;
    std::string mantissa = text.substr(0, e);
    std::string_view exponent(text);
    exponent.remove_prefix(e + 1);
    std::string sign;
    if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-')) {
        if (exponent.front() == '-') sign = "-";
        exponent.remove_prefix(1);
    }
    while (exponent.size() > 1 && exponent.front() == '0')
        exponent.remove_prefix(1);
    return mantissa + "E" + sign + std::string(exponent);
}

}  // namespace

char LocaleDecimalSeparator() {
    const std::lconv* conv = std::localeconv();
    if (conv == nullptr || conv->decimal_point == nullptr) return '.';
    const char* point = conv->decimal_point;
    // A separator of several bytes cannot be written as one character; fall back to '.'.
    if (point[0] == '\0' || point[1] != '\0') return '.';
    return point[0];
}

TimeSerial TimeSerial::fromLocal(LocalMillis local) {
    const chr::local_days day = chr::floor<chr::days>(local);
    const double dayIndex = static_cast<double>((day - kEpoch).count());
    const double fraction =
        static_cast<double>((local - day).count()) / static_cast<double>(kMillisPerDay);
    // Before the epoch the day count is negative but the time of day still adds its magnitude.
    return TimeSerial{dayIndex < 0 ? dayIndex - fraction : dayIndex + fraction};
}

TimeSerial::LocalMillis TimeSerial::toLocal() const {
    double value = days_;
    if (!std::isfinite(value)) value = 0.0;
    value = std::clamp(value, kMinDays - 1.0, kMaxDays + 1.0);
    double whole = std::trunc(value);
    std::int64_t millis =
        std::llround(std::fabs(value - whole) * static_cast<double>(kMillisPerDay));
    if (millis >= kMillisPerDay) {
        millis -= kMillisPerDay;
        whole += 1.0;
    }
    return kEpoch + chr::days{static_cast<std::int64_t>(whole)} + chr::milliseconds{millis};
}

TimeSerial TimeSerial::now() {
    return fromSystemClock(chr::system_clock::now());
}

TimeSerial TimeSerial::fromSystemClock(chr::system_clock::time_point time) {
    const auto millis = chr::floor<chr::milliseconds>(time);
    const auto seconds = chr::floor<chr::seconds>(millis);
    const std::time_t t = static_cast<std::time_t>(seconds.time_since_epoch().count());
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr) {
        // Outside what the C library converts: take the time as it is, without a zone.
        return fromLocal(LocalMillis{millis.time_since_epoch()});
    }
    const LocalMillis local = localDays(tm) + chr::hours{tm.tm_hour} + chr::minutes{tm.tm_min} +
                              chr::seconds{tm.tm_sec} + (millis - seconds);
    return fromLocal(local);
}

chr::system_clock::time_point TimeSerial::toSystemClock() const {
    const LocalMillis local = toLocal();
    const chr::local_days day = chr::floor<chr::days>(local);
    const chr::year_month_day date{day};
    chr::milliseconds rest = local - day;
    const auto hours = chr::floor<chr::hours>(rest);
    rest -= hours;
    const auto minutes = chr::floor<chr::minutes>(rest);
    rest -= minutes;
    const auto seconds = chr::floor<chr::seconds>(rest);
    rest -= seconds;

    std::tm tm{};
    tm.tm_year = static_cast<int>(date.year()) - 1900;
    tm.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    tm.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    tm.tm_hour = static_cast<int>(hours.count());
    tm.tm_min = static_cast<int>(minutes.count());
    tm.tm_sec = static_cast<int>(seconds.count());
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    return chr::system_clock::time_point{chr::seconds{t}} + rest;
}

TimeSerial TimeSerial::fromFileTime(platform::FileTime fileTime) {
    const chr::sys_seconds seconds{chr::seconds{fileTime.unixSeconds()}};
    return fromSystemClock(chr::time_point_cast<chr::system_clock::duration>(
        seconds + chr::nanoseconds{fileTime.unixNanosecondsPart()}));
}

std::string TimeSerial::toText(char decimalSeparator) const {
    const double value = days_ == 0.0 ? 0.0 : days_;  // no "-0"
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text = delphiExponent(std::string(buffer, result.ptr));
    for (char& c : text) {
        if (c == '.') c = decimalSeparator;
    }
    return text;
}

std::optional<TimeSerial> TimeSerial::parse(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.size() > 64) return std::nullopt;

    std::string normal(text);
    for (char& c : normal) {
        if (c == ',') c = '.';
    }
    double value = 0.0;
    const char* end = normal.data() + normal.size();
    const auto result = std::from_chars(normal.data(), end, value);
    if (result.ec != std::errc{} || result.ptr != end || !std::isfinite(value)) return std::nullopt;
    if (value <= kMinDays - 1.0 || value >= kMaxDays) return std::nullopt;
    return TimeSerial{value};
}

}  // namespace quorvel::core
