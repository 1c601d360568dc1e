#pragma once
// The texts in which sizes, durations, dates and times are shown everywhere.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace tundrel {

// "512B", "1.50K", "2.00M", "3.25G", "1.00T".
std::string FormatSize(std::uint64_t bytes);
// "mm:ss" below an hour, "h:mm:ss" from one hour on.
std::string FormatDuration(std::uint64_t seconds);
// "2024-05-01 10:20:30": the date when it is not zero, then the time when it is not zero;
// empty when either cannot be (a damaged entry's 2107-15-31 or 31:63:62).
std::string FormatDateTime(std::uint16_t fatDate, std::uint32_t packedTime);

// ISO 8601 for scripts: "2004-02-14T12:53:42", then ".250" for `milliseconds` other than 0 and,
// with `withUtcOffset`, the process's UTC offset at that local time ("+09:00"). Empty when the
// date is 0 or either cannot be.
std::string FormatIsoDateTime(std::uint16_t fatDate, std::uint32_t packedTime, std::uint16_t milliseconds,
                              bool withUtcOffset);
// "2004-02-14"; empty for 0 or a day no calendar has.
std::string FormatIsoDate(std::uint16_t fatDate);

// A FAT date names a day that exists (month 1-12, day 1 to the month's last); 0 is not a date.
bool IsPossibleDate(std::uint16_t fatDate);
// A packed time of at most 23:59:59.
bool IsPossibleTime(std::uint32_t packedTime);

// FAT date: bits 0-4 day, 5-8 month, 9-15 years since 1980; 0 means no date.
std::uint16_t PackFatDate(int year, int month, int day);
// Packed time: bits 0-5 seconds, 6-11 minutes, 12-16 hours.
std::uint32_t PackTime(int hours, int minutes, int seconds);

struct LocalTimestamp {
    std::uint16_t date = 0;  // FAT date
    std::uint32_t time = 0;  // packed time
};
// A FAT date and packed time read as local time of the process's time zone: the moment, and the
// zone's UTC offset then (daylight saving included; for a time the clock skipped or showed twice,
// what mktime makes of it). Nothing for the date 0 or fields no calendar has.
struct LocalInstant {
    std::time_t moment = 0;
    long utcOffsetSeconds = 0;
};
std::optional<LocalInstant> ResolveLocalTime(std::uint16_t fatDate, std::uint32_t packedTime);

// A FAT date and packed time read as UTC, as seconds since 1970; nothing as above.
std::optional<std::time_t> UtcMoment(std::uint16_t fatDate, std::uint32_t packedTime);

// A moment as local date and time of the process's time zone; years before 1980 (and after
// 2107, which a FAT date cannot hold) give no date.
LocalTimestamp ToLocalTimestamp(std::time_t moment);

}  // namespace tundrel
