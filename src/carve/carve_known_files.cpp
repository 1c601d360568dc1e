#include "carve/carve_known_files.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include "carve/type_extensions.h"
#include "scan/volume_scanner.h"

namespace tundrel {

void DropKnownFiles(std::vector<CarveRule>& table, std::span<VolumeScanner* const> scanners) {
    // The tree is walked in full whatever the stop request says: finds kept after a stop are
    // cleared of duplicates too.
    const std::atomic<std::uint32_t> walkWhole{0};
    for (CarveRule& rule : table) {
        if (rule.found.empty()) continue;
        SectorMap known;
        for (const std::u16string& extension : ExtensionsOfType(rule.info->typeName)) {
            for (const VolumeScanner* scanner : scanners) {
                for (RootIndex root : {RootIndex::Root, RootIndex::Lost, RootIndex::Deleted, RootIndex::Scanned}) {
                    scanner->MarkMatchingFiles(scanner->roots[root], known, extension, walkWhole);
                }
            }
        }
        if (known.empty()) continue;
        std::erase_if(rule.found, [&known](const CarvedFile& file) {
            return file.firstSector <= std::numeric_limits<std::uint32_t>::max() &&
                   known.contains(static_cast<std::uint32_t>(file.firstSector));
        });
    }
}

}  // namespace tundrel
