#include "export/node_times.h"

#include "support/display_format.h"

namespace tundrel {

std::optional<timespec> LocalMoment(std::uint16_t fatDate, std::uint32_t packedTime, std::uint16_t milliseconds) {
    const int day = fatDate & 31;
    const int month = (fatDate >> 5) & 15;
    const int year = 1980 + (fatDate >> 9);
    const int hours = static_cast<int>((packedTime >> 12) & 31);
    const int minutes = static_cast<int>((packedTime >> 6) & 63);
    const int seconds = static_cast<int>(packedTime & 63);
    if (!IsPossibleDate(fatDate) || !IsPossibleTime(packedTime) || milliseconds > 999) return std::nullopt;
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hours;
    local.tm_min = minutes;
    local.tm_sec = seconds;
    local.tm_isdst = -1;  // whatever the zone's rule was on that day
    const std::time_t moment = std::mktime(&local);
    // mktime moves a day the month does not have (31 February) into the next month.
    if (moment == static_cast<std::time_t>(-1) || local.tm_mday != day) return std::nullopt;
    return timespec{moment, static_cast<long>(milliseconds) * 1000000L};
}

std::optional<timespec> ModifiedMomentOf(const ScanNode& node) {
    return LocalMoment(node.modifiedDate, node.modifiedTime, node.milliseconds);
}

std::optional<timespec> AccessedMomentOf(const ScanNode& node) { return LocalMoment(node.accessedDate, 0, 0); }

}  // namespace tundrel
