#pragma once

#include <chrono>
#include <compare>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileTime.h"

namespace quorvel::core {

// The decimal separator of the C library's current numeric locale (localeconv), '.' when it has
// none. The program sets its locale once at start; tests pass the separator explicitly.
char LocaleDecimalSeparator();

// A local date-time as a day count since 1899-12-30 00:00 with the time of day as fraction (the
// Delphi TDateTime). Before the epoch the whole days are negative and the fraction still counts
// forward from midnight: -1.25 is 1899-12-29 06:00. Backup entries and their files are named by
// the text form, which has at most 15 significant digits (five integer digits and ten decimals
// for a present-day time, about 9 microseconds), enough for millisecond round trips.
class TimeSerial {
public:
    using LocalMillis = std::chrono::local_time<std::chrono::milliseconds>;

    constexpr TimeSerial() = default;
    constexpr explicit TimeSerial(double days) : days_(days) {}

    constexpr double days() const { return days_; }

    // Exact calendar arithmetic, no time zone involved.
    static TimeSerial fromLocal(LocalMillis local);
    LocalMillis toLocal() const;  // rounded to the nearest millisecond

    // Through the system's local time zone (localtime_r / mktime).
    static TimeSerial now();
    static TimeSerial fromSystemClock(std::chrono::system_clock::time_point time);
    std::chrono::system_clock::time_point toSystemClock() const;
    // A FILETIME (UTC) shown as local time.
    static TimeSerial fromFileTime(platform::FileTime fileTime);

    // Shortest general text with at most 15 significant digits (like FloatToStr), e.g.
    // "46000.5" or "46000,5123456789".
    std::string toText(char decimalSeparator = LocaleDecimalSeparator()) const;
    // Accepts '.' and ',' as decimal separator whatever the locale, so backups made under
    // another locale stay readable; surrounding blanks are ignored. nullopt for anything that is
    // not a number or lies outside the years 1 to 9999.
    static std::optional<TimeSerial> parse(std::string_view text);

    friend constexpr auto operator<=>(const TimeSerial&, const TimeSerial&) = default;

private:
    double days_ = 0.0;
};

}  // namespace quorvel::core
