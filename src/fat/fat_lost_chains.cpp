// The lost-chain search of the deleted-file mode, run over the scanner's loaded table.

#include <algorithm>

#include "disk/fs_type.h"
#include "disk/sector_source.h"
#include "fat/fat_scanner.h"
#include "fat/lost_chain_search.h"
#include "fat/run_reader.h"
#include "scan/scan_progress.h"

namespace tundrel {

void FatScanner::SearchLostChains() {
    if (!table_.IsLoaded()) return;
    LostChainVolume volume;
    volume.table = table_.Loaded();
    volume.width = regions_->width;
    volume.clusterLimit = std::min(regions_->ClusterLimit(), table_.EntryCount());
    volume.clusterSectors = regions_->sectorsPerCluster;
    volume.dataSector = volumeStart + regions_->dataStart;
    volume.rootCluster = fsType == kFsFat32 ? regions_->rootCluster : 0;
    volume.read = [this](const ClusterRunList& runs) { return ReadRuns(runs, *source, volumeStart, *regions_); };
    LostChainFinds finds = FindLostChains(volume, roots, listing_, progress_, namePool);
    // What was found before a stop is still placed.
    PlaceLostChains(std::move(finds), roots, namePool, regions_->ClusterBytes());
}

}  // namespace tundrel
