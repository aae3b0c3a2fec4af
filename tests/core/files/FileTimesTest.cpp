#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "core/files/FileTimes.h"

namespace quorvel::core {
namespace {

// Pins the local time zone to UTC for the texts below and restores it afterwards.
class UtcZone : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) saved_ = tz;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (saved_.empty())
            unsetenv("TZ");
        else
            setenv("TZ", saved_.c_str(), 1);
        tzset();
    }

private:
    std::string saved_;
};

TEST_F(UtcZone, TextAndDateTimeOfAFileTime) {
    const auto t = platform::FileTime::fromUnix(1700000000);  // 2023-11-14 22:13:20 UTC
    EXPECT_EQ(FileLastWriteAsText(t), "11/14/23 10:13:20 PM");
    EXPECT_NEAR(FileTimeToDateTime(t), 45244.0 + (22 * 3600 + 13 * 60 + 20) / 86400.0, 1e-9);
    EXPECT_EQ(FileLastWriteAsText(platform::FileTime::fromUnix(0)), "01/01/70 12:00:00 AM");
    EXPECT_EQ(FileLastWriteAsText(platform::FileTime::fromUnix(12 * 3600)), "01/01/70 12:00:00 PM");
    // Unconvertible times give the fallback.
    EXPECT_EQ(FileLastWriteAsText(platform::FileTime{UINT64_MAX}), "01/01/80 12:00:00 AM");
    EXPECT_EQ(FileLastWriteAsText(platform::FileTime{0x8000000000000000ULL}),
              "01/01/80 12:00:00 AM");
    EXPECT_NEAR(FileTimeToDateTime(platform::FileTime{UINT64_MAX}), 29221.0, 1e-9);
}

TEST_F(UtcZone, CompareOrdersByTimeNotByText) {
    const auto a = FileLastWriteAsText(platform::FileTime::fromUnix(1600000000));
    const auto b = FileLastWriteAsText(platform::FileTime::fromUnix(1600000001));
    EXPECT_EQ(CompareDateTimeTexts(a, b), -1);
    EXPECT_EQ(CompareDateTimeTexts(b, a), 1);
    EXPECT_EQ(CompareDateTimeTexts(a, a), 0);
    // PM after AM, 12 AM before 1 AM, and the year before the month.
    EXPECT_EQ(CompareDateTimeTexts("01/01/23 01:00:00 PM", "01/01/23 11:00:00 AM"), 1);
    EXPECT_EQ(CompareDateTimeTexts("01/01/23 12:30:00 AM", "01/01/23 01:00:00 AM"), -1);
    EXPECT_EQ(CompareDateTimeTexts("12/31/22 11:59:59 PM", "01/01/23 12:00:00 AM"), -1);
    // Two-digit years: 80..99 are the 1900s.
    EXPECT_EQ(CompareDateTimeTexts("01/01/99 12:00:00 AM", "01/01/05 12:00:00 AM"), -1);
    // Unreadable text counts as the earliest time.
    EXPECT_EQ(CompareDateTimeTexts("garbage", "01/01/80 12:00:00 AM"), 0);
    EXPECT_EQ(CompareDateTimeTexts("", "01/01/81 12:00:00 AM"), -1);
    EXPECT_EQ(CompareDateTimeTexts("13/45/99 99:00:00 XM", "01/01/80 12:00:00 AM"), 0);
}

}  // namespace
}  // namespace quorvel::core
