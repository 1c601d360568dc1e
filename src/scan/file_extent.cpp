#include "scan/file_extent.h"

#include <algorithm>

namespace tundrel {

void ZeroFillFrom(ExtentList& extents, std::uint64_t validBytes) {
    std::uint64_t extentStart = 0;
    for (FileExtent& extent : extents) {
        const std::uint64_t extentBytes = extent.sectorCount * 512;
        const std::uint64_t filled = std::clamp(validBytes, extentStart, extentStart + extentBytes) - extentStart;
        extent.zeroBytes = std::max(extent.zeroBytes, extentBytes - filled);
        extentStart += extentBytes;
    }
}

}  // namespace tundrel
