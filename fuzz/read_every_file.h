#pragma once
// Reads the start of every file below a folder, for the fuzz targets that check what a scanner
// built can be read without fault.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "scan/file_extent.h"
#include "scan/scan_node.h"
#include "scan/volume_scanner.h"

namespace tundrel::fuzz {

inline void ReadEveryFile(VolumeScanner& scanner, const ScanNode& directory, std::vector<std::uint8_t>& buffer) {
    for (const ScanNode& child : directory.children) {
        if (child.IsDirectory()) {
            ReadEveryFile(scanner, child, buffer);
            continue;
        }
        ExtentList extents;
        if (!scanner.BuildExtents(child, extents)) continue;
        buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(child.size, 64 * 1024)));
        scanner.ReadNodeData(buffer, 0, child, extents);
    }
}

}  // namespace tundrel::fuzz
