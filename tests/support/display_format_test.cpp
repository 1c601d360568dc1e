// The display texts of sizes, durations, dates and times.

#include <gtest/gtest.h>

#include <utility>

#include "support/display_format.h"
#include "test_support.h"

namespace tundrel {
namespace {

TEST(DisplayFormatTest, SizeChangesUnitAtEachPowerOf1024) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0B"},           {1023, "1023B"},     {1024, "1.00K"},     {1536, "1.50K"}, {(1ULL << 20) - 1, "1024.00K"},
        {1ULL << 20, "1.00M"}, {3ULL << 30, "3.00G"}, {5ULL << 40, "5.00T"}, {~0ULL, "16777216.00T"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatSize(bytes), text) << bytes;
}

TEST(DisplayFormatTest, DurationShowsHoursOnlyFromOneHourOn) {
    EXPECT_EQ(FormatDuration(0), "00:00");
    EXPECT_EQ(FormatDuration(3599), "59:59");
    EXPECT_EQ(FormatDuration(3600), "1:00:00");
    EXPECT_EQ(FormatDuration(100 * 3600 + 61), "100:01:01");
}

TEST(DisplayFormatTest, DateAndTimeEachOnlyWhenPresent) {
    // A date and time, and a date alone: the display-row tests.
    EXPECT_EQ(FormatDateTime(0, 0), "");
    EXPECT_EQ(FormatDateTime(PackFatDate(1980, 1, 1), PackTime(23, 59, 59)), "1980-01-01 23:59:59");
    EXPECT_EQ(FormatDateTime(PackFatDate(2024, 2, 29), 0), "2024-02-29");
}

// Damaged entries hold dates no clock ever showed: 0xFFFF reads as 2107-15-31 31:63:62.
TEST(DisplayFormatTest, ImpossibleDatesAndTimesAreShownEmpty) {
    const struct {
        std::uint16_t date;
        std::uint32_t time;
    } cases[] = {
        {0xFFFF, 0},                            // month 15
        {PackFatDate(2023, 0, 10), 0},          // month 0
        {PackFatDate(2023, 6, 0), 0},           // day 0
        {PackFatDate(2023, 2, 29), 0},          // not a leap year
        {PackFatDate(2023, 4, 31), 0},
        {PackFatDate(2023, 6, 1), PackTime(24, 0, 0)},
        {PackFatDate(2023, 6, 1), PackTime(12, 60, 0)},
        {0, PackTime(31, 63, 62)},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.date, c.time), "") << c.date << " " << c.time;
}

// The JSON times: the UTC offset is the zone's at that local time, daylight saving included.
TEST(DisplayFormatTest, IsoTimesCarryTheirFractionAndTheZoneOffsetThen) {
    const std::uint16_t winter = PackFatDate(2004, 2, 14);
    const std::uint16_t summer = PackFatDate(2004, 7, 14);
    const std::uint32_t time = PackTime(12, 53, 42);
    const struct {
        const char* zone;
        std::uint16_t date;
        std::uint32_t time;
        std::uint16_t milliseconds;
        bool withOffset;
        const char* text;
    } cases[] = {
        {"UTC", winter, time, 0, true, "2004-02-14T12:53:42+00:00"},
        {"Asia/Tokyo", winter, time, 250, true, "2004-02-14T12:53:42.250+09:00"},
        {"Asia/Kolkata", winter, 0, 7, true, "2004-02-14T00:00:00.007+05:30"},
        {"America/New_York", winter, time, 0, true, "2004-02-14T12:53:42-05:00"},
        {"America/New_York", summer, time, 0, true, "2004-07-14T12:53:42-04:00"},
        {"Asia/Tokyo", winter, time, 0, false, "2004-02-14T12:53:42"},
        {"Asia/Tokyo", 0, time, 0, true, ""},
        {"Asia/Tokyo", 0xFFFF, time, 0, false, ""},
        {"Asia/Tokyo", winter, PackTime(31, 63, 62), 0, true, ""},
    };
    for (const auto& c : cases) {
        const test::TimeZone zone(c.zone);
        EXPECT_EQ(FormatIsoDateTime(c.date, c.time, c.milliseconds, c.withOffset), c.text) << c.zone << " " << c.text;
    }
    EXPECT_EQ(FormatIsoDate(winter), "2004-02-14");
    EXPECT_EQ(FormatIsoDate(0), "");
}

TEST(DisplayFormatTest, LocalTimestampFollowsTheTimeZoneAndTheFatDateRange) {
    const test::TimeZone tokyo("Asia/Tokyo");
    const LocalTimestamp stamp = ToLocalTimestamp(1714557630);  // 2024-05-01 10:00:30 UTC
    EXPECT_EQ(FormatDateTime(stamp.date, stamp.time), "2024-05-01 19:00:30");
    EXPECT_EQ(ToLocalTimestamp(0).date, 0);  // 1970 has no FAT date
}

}  // namespace
}  // namespace tundrel
