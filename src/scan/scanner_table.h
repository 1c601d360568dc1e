#pragma once
// The registration table of scanners, one entry per file-system type code.

#include <cstdint>
#include <memory>
#include <span>

namespace tundrel {

class ScanContext;
class VolumeScanner;

struct ScannerEntry {
    std::uint32_t fsType;  // FsType code; RAW (0) is the full scan
    std::unique_ptr<VolumeScanner> (*make)(ScanContext& context, std::uint32_t fsType);
};

using ScannerTable = std::span<const ScannerEntry>;

// The entry for a type code, or null when no scanner serves it.
const ScannerEntry* FindScanner(ScannerTable table, std::uint32_t fsType);

}  // namespace tundrel
