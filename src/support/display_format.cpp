#include "support/display_format.h"

#include "support/text.h"

namespace tundrel {

namespace {

std::optional<std::tm> CalendarFields(std::uint16_t fatDate, std::uint32_t packedTime) {
    if (!IsPossibleDate(fatDate) || !IsPossibleTime(packedTime)) return std::nullopt;
    std::tm fields{};
    fields.tm_year = 1980 + (fatDate >> 9) - 1900;
    fields.tm_mon = ((fatDate >> 5) & 15) - 1;
    fields.tm_mday = fatDate & 31;
    fields.tm_hour = static_cast<int>((packedTime >> 12) & 31);
    fields.tm_min = static_cast<int>((packedTime >> 6) & 63);
    fields.tm_sec = static_cast<int>(packedTime & 63);
    return fields;
}

}  // namespace

std::string FormatSize(std::uint64_t bytes) {
    constexpr double kKiB = 1024.0;
    if (bytes < 1024) return FormatText("%dB", static_cast<int>(bytes));
    const double value = static_cast<double>(bytes);
    if (bytes < (1ULL << 20)) return FormatText("%0.2fK", value / kKiB);
    if (bytes < (1ULL << 30)) return FormatText("%0.2fM", value / (kKiB * kKiB));
    if (bytes < (1ULL << 40)) return FormatText("%0.2fG", value / (kKiB * kKiB * kKiB));
    return FormatText("%0.2fT", value / (kKiB * kKiB * kKiB * kKiB));
}

std::string FormatDuration(std::uint64_t seconds) {
    const auto hours = static_cast<unsigned long long>(seconds / 3600);
    const auto minutes = static_cast<unsigned>((seconds / 60) % 60);
    const auto secs = static_cast<unsigned>(seconds % 60);
    if (hours > 0) return FormatText("%llu:%02u:%02u", hours, minutes, secs);
    return FormatText("%02u:%02u", minutes, secs);
}

bool IsPossibleDate(std::uint16_t fatDate) {
    static constexpr int kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int year = 1980 + (fatDate >> 9);
    const int month = (fatDate >> 5) & 15;
    const int day = fatDate & 31;
    if (month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month - 1]) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month != 2 || day < 29 || leap;
}

bool IsPossibleTime(std::uint32_t packedTime) {
    return ((packedTime >> 12) & 31) <= 23 && ((packedTime >> 6) & 63) <= 59 && (packedTime & 63) <= 59;
}

std::string FormatDateTime(std::uint16_t fatDate, std::uint32_t packedTime) {
    if ((fatDate != 0 && !IsPossibleDate(fatDate)) || !IsPossibleTime(packedTime)) return {};
    std::string out;
    if (fatDate != 0) {
        out = FormatText("%d-%02d-%02d", 1980 + (fatDate >> 9), (fatDate >> 5) & 15, fatDate & 31);
    }
    if (packedTime != 0) {
        out += FormatText(" %02u:%02u:%02u", (packedTime >> 12) & 31, (packedTime >> 6) & 63,
                          packedTime & 63);
    }
    return out;
}

std::string FormatIsoDate(std::uint16_t fatDate) {
    if (!IsPossibleDate(fatDate)) return {};
    return FormatText("%d-%02d-%02d", 1980 + (fatDate >> 9), (fatDate >> 5) & 15, fatDate & 31);
}

std::string FormatIsoDateTime(std::uint16_t fatDate, std::uint32_t packedTime, std::uint16_t milliseconds,
                              bool withUtcOffset) {
    if (!IsPossibleTime(packedTime)) return {};
    std::string out = FormatIsoDate(fatDate);
    if (out.empty()) return out;
    out += FormatText("T%02u:%02u:%02u", (packedTime >> 12) & 31, (packedTime >> 6) & 63, packedTime & 63);
    if (milliseconds > 0 && milliseconds < 1000) out += FormatText(".%03u", unsigned{milliseconds});
    if (!withUtcOffset) return out;
    if (const auto instant = ResolveLocalTime(fatDate, packedTime)) {
        const long minutes = instant->utcOffsetSeconds / 60;
        const long magnitude = minutes < 0 ? -minutes : minutes;
        out += FormatText("%c%02ld:%02ld", minutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    }
    return out;
}

std::optional<LocalInstant> ResolveLocalTime(std::uint16_t fatDate, std::uint32_t packedTime) {
    auto local = CalendarFields(fatDate, packedTime);
    if (!local) return std::nullopt;
    local->tm_isdst = -1;  // whatever the zone's rule was on that day
    const std::time_t moment = std::mktime(&*local);
    if (moment == static_cast<std::time_t>(-1)) return std::nullopt;
    return LocalInstant{moment, local->tm_gmtoff};
}

std::optional<std::time_t> UtcMoment(std::uint16_t fatDate, std::uint32_t packedTime) {
    auto fields = CalendarFields(fatDate, packedTime);
    if (!fields) return std::nullopt;
    const std::time_t moment = timegm(&*fields);
    if (moment == static_cast<std::time_t>(-1)) return std::nullopt;
    return moment;
}

std::uint16_t PackFatDate(int year, int month, int day) {
    if (year < 1980 || year > 2107) return 0;
    return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

std::uint32_t PackTime(int hours, int minutes, int seconds) {
    return static_cast<std::uint32_t>((hours << 12) | (minutes << 6) | seconds);
}

LocalTimestamp ToLocalTimestamp(std::time_t moment) {
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) return {};
    const std::uint16_t date = PackFatDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    if (date == 0) return {};
    return {date, PackTime(local.tm_hour, local.tm_min, local.tm_sec)};
}

}  // namespace tundrel
