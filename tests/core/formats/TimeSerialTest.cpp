#include "core/formats/TimeSerial.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace quorvel::core {
namespace {

namespace chr = std::chrono;
using namespace std::chrono_literals;

TimeSerial::LocalMillis at(chr::year_month_day date, chr::milliseconds timeOfDay) {
    return chr::local_days{date} + timeOfDay;
}

TEST(TimeSerialCalendar, KnownDatesAndTheNegativeRangeBeforeTheEpoch) {
    using chr::December;
    using chr::January;
    // Before the epoch the day is negative and the time of day adds its magnitude.
    const std::pair<TimeSerial::LocalMillis, double> rows[] = {
        {at(1899y / December / 30, 0ms), 0.0},
        {at(1900y / January / 1, 18h), 2.75},
        {at(2025y / January / 1, 12h), 45658.5},
        {at(1899y / December / 29, 6h), -1.25},
        {at(1899y / December / 28, 18h), -2.75}};
    for (const auto& [local, days] : rows) {
        EXPECT_EQ(TimeSerial::fromLocal(local).days(), days);
        EXPECT_EQ(TimeSerial(days).toLocal(), local) << days;
    }
}

TEST(TimeSerialCalendar, LocalRoundTripsAreExactToTheMillisecond) {
    const TimeSerial::LocalMillis samples[] = {
        at(chr::year{2026} / 12 / 6, 23h + 59min + 59s + 999ms),
        at(chr::year{2026} / 3 / 29, 2h + 30min + 1ms),
        at(chr::year{1899} / 12 / 29, 23h + 59min + 59s + 999ms),
        at(chr::year{1800} / 2 / 28, 1ms),
        at(chr::year{1} / 1 / 1, 12h + 1ms),
        at(chr::year{9999} / 12 / 31, 23h + 59min + 59s + 999ms),
    };
    for (const auto& local : samples) {
        const TimeSerial serial = TimeSerial::fromLocal(local);
        EXPECT_EQ(serial.toLocal(), local) << serial.toText('.');
        for (char separator : {'.', ','}) {
            const auto back = TimeSerial::parse(serial.toText(separator));
            ASSERT_TRUE(back) << serial.toText(separator);
            EXPECT_EQ(back->toLocal(), local) << serial.toText(separator);
        }
    }
}

TEST(TimeSerialClock, SystemClockAndFileTimeRoundTrips) {
    // Midday in January and July, far from any daylight-saving change.
    for (auto date : {chr::year{2026} / 1 / 15, chr::year{2026} / 7 / 15}) {
        const auto time = chr::sys_days{date} + 12h + 34min + 56s + 789ms;
        const TimeSerial serial = TimeSerial::fromSystemClock(time);
        EXPECT_EQ(serial.toSystemClock(), time);
        const auto text = serial.toText('.');
        EXPECT_EQ(TimeSerial::parse(text)->toSystemClock(), time) << text;

        const auto sinceUnix = time.time_since_epoch();
        const auto file = platform::FileTime::fromUnix(
            chr::floor<chr::seconds>(sinceUnix).count(),
            chr::duration_cast<chr::nanoseconds>(sinceUnix % 1s).count());
        EXPECT_EQ(TimeSerial::fromFileTime(file), serial);
    }
}

TEST(TimeSerialText, FifteenSignificantDigitsAndTheSeparatorGiven) {
    EXPECT_EQ(TimeSerial(45658.5).toText('.'), "45658.5");
    EXPECT_EQ(TimeSerial(46000.0).toText(','), "46000");
    EXPECT_EQ(TimeSerial(-0.0).toText('.'), "0");
    EXPECT_EQ(TimeSerial(-1.25).toText(','), "-1,25");
    // Five integer digits leave ten decimals.
    EXPECT_EQ(TimeSerial(46000.123456789012345).toText('.'), "46000.123456789");
    EXPECT_EQ(TimeSerial(46000.12345678906).toText('.'), "46000.1234567891");
    EXPECT_EQ(TimeSerial(1.0 / 3.0).toText('.'), "0.333333333333333");
    EXPECT_EQ(TimeSerial(0.00001).toText('.'), "1E-5");
}

TEST(TimeSerialText, ReadsEitherSeparatorAndRejectsJunk) {
    const std::pair<const char*, double> good[] = {{"46000,25", 46000.25},
                                                   {"46000.25", 46000.25},
                                                   {" 46000 ", 46000.0},
                                                   {"-1,25", -1.25},
                                                   {"1E-5", 0.00001}};
    for (const auto& [text, days] : good)
        EXPECT_EQ(TimeSerial::parse(text)->days(), days) << text;
    for (const char* bad : {"", " ", "abc", "46000.5x", "46000,5,1", "1.2.3", "nan", "inf", "1e300",
                            "-1e7", "46000.5 junk", "--1", "0x10"}) {
        EXPECT_FALSE(TimeSerial::parse(bad)) << bad;
    }
}

}  // namespace
}  // namespace quorvel::core
