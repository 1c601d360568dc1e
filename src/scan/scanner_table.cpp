#include "scan/scanner_table.h"

#include <algorithm>

namespace tundrel {

const ScannerEntry* FindScanner(ScannerTable table, std::uint32_t fsType) {
    const auto found =
        std::find_if(table.begin(), table.end(), [fsType](const ScannerEntry& entry) { return entry.fsType == fsType; });
    return found == table.end() ? nullptr : &*found;
}

}  // namespace tundrel
