#include "core/files/FileTimes.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <optional>
#include <tuple>

namespace quorvel::core {

namespace {

struct LocalTime {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    auto key() const { return std::tie(year, month, day, hour, minute, second); }
};

// Ticks of 10000-01-01 00:00 UTC: FileTimeToSystemTime gives up beyond the year 9999.
constexpr std::uint64_t kLastConvertibleTicks = 2650467744000000000ULL;

std::optional<LocalTime> toLocal(platform::FileTime time) {
    if (time.ticks >= kLastConvertibleTicks) return std::nullopt;
    const std::time_t seconds = static_cast<std::time_t>(time.unixSeconds());
    std::tm tm{};
    if (localtime_r(&seconds, &tm) == nullptr) return std::nullopt;
    if (tm.tm_year + 1900 > 9999) return std::nullopt;
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

DateTime toDateTime(const LocalTime& t) {
    const long long days =
        daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) -
        daysFromCivil(1899, 12, 30);
    return static_cast<double>(days) + (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
}

std::string toText(const LocalTime& t) {
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    std::array<char, 40> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%02d/%02d/%02d %02d:%02d:%02d %s", t.month, t.day,
                  t.year % 100, hour12, t.minute, t.second, t.hour < 12 ? "AM" : "PM");
    return buffer.data();
}

std::optional<LocalTime> parseText(std::string_view text) {
    const std::string copy(text);
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    char half[3] = {};
    if (std::sscanf(copy.c_str(), "%d/%d/%d %d:%d:%d %2s", &month, &day, &year, &hour, &minute,
                    &second, half) != 7)
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 0 || year > 9999 || hour < 1 ||
        hour > 12 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    const std::string ampm(half);
    if (ampm != "AM" && ampm != "PM") return std::nullopt;
    if (year < 100) year += year < 80 ? 2000 : 1900;
    hour = hour % 12 + (ampm == "PM" ? 12 : 0);
    return LocalTime{year, month, day, hour, minute, second};
}

}  // namespace

DateTime FileTimeToDateTime(platform::FileTime time) {
    return toDateTime(toLocal(time).value_or(LocalTime{}));
}

std::string FileLastWriteAsText(platform::FileTime time) {
    return toText(toLocal(time).value_or(LocalTime{}));
}

int CompareDateTimeTexts(std::string_view first, std::string_view second) {
    const LocalTime a = parseText(first).value_or(LocalTime{});
    const LocalTime b = parseText(second).value_or(LocalTime{});
    if (a.key() < b.key()) return -1;
    return a.key() == b.key() ? 0 : 1;
}

}  // namespace quorvel::core
