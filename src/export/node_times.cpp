#include "export/node_times.h"

#include "support/display_format.h"

namespace tundrel {

std::optional<timespec> LocalMoment(std::uint16_t fatDate, std::uint32_t packedTime) {
    const auto instant = ResolveLocalTime(fatDate, packedTime);
    if (!instant) return std::nullopt;
    return timespec{instant->moment, 0};
}

std::optional<timespec> ModifiedMomentOf(const ScanNode& node) {
    return LocalMoment(node.modifiedDate, node.modifiedTime);
}

std::optional<timespec> AccessedMomentOf(const ScanNode& node) { return LocalMoment(node.accessedDate, 0); }

}  // namespace tundrel
