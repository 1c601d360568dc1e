#include "ntfs/ntfs_time.h"

namespace tundrel {
namespace {
constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kTicksPerMillisecond = 10'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
}  // namespace

std::time_t FileTimeToUnixSeconds(std::uint64_t fileTime) {
    return static_cast<std::time_t>(static_cast<std::int64_t>(fileTime / kTicksPerSecond) - kSecondsFrom1601To1970);
}

LocalTimestamp FileTimeToLocal(std::uint64_t fileTime) { return ToLocalTimestamp(FileTimeToUnixSeconds(fileTime)); }

std::uint16_t FileTimeMilliseconds(std::uint64_t fileTime) {
    return static_cast<std::uint16_t>((fileTime / kTicksPerMillisecond) % 1000);
}

}  // namespace tundrel

#include "scan/scan_node.h"

namespace tundrel {

void FillCreatedSlot(ScanNode& node, std::uint64_t fileTime, bool withMilliseconds) {
    if (node.createdDate != 0 || node.createdTime != 0) return;
    const LocalTimestamp local = FileTimeToLocal(fileTime);
    node.createdDate = local.date;
    node.createdTime = local.time;
    if (withMilliseconds) node.milliseconds = FileTimeMilliseconds(fileTime);
}

void FillModifiedSlot(ScanNode& node, std::uint64_t fileTime) {
    if (node.modifiedDate != 0 || node.modifiedTime != 0) return;
    const LocalTimestamp local = FileTimeToLocal(fileTime);
    node.modifiedDate = local.date;
    node.modifiedTime = local.time;
}

void FillAccessedSlot(ScanNode& node, std::uint64_t fileTime) {
    if (node.accessedDate != 0) return;
    node.accessedDate = FileTimeToLocal(fileTime).date;
}

}  // namespace tundrel
