#pragma once
// Directories that no directory names any more, found by reading the free clusters of an
// exFAT volume and keeping those that hold entry sets.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "fat/cluster_runs.h"
#include "exfat/exfat_directory_listing.h"
#include "exfat/exfat_geometry.h"
#include "scan/lost_directory_links.h"
#include "scan/scan_node.h"

namespace tundrel {

class NamePool;
class SectorSource;

struct LostDirectorySearch {
    SectorSource& source;
    std::uint64_t volumeStart = 0;
    const ExFatGeometry& geometry;
    ScanProgress& progress;
    ExFatListContext& listing;
    // Looks at every cluster read: the seam through which carving by content sees the free
    // space in the same pass. Not set while no carving rules exist.
    std::function<void(std::span<const std::uint8_t> cluster, std::uint64_t sector)> carveCluster;
};

// Reads the runs in 64 KiB pieces (one cluster when clusters are larger) and lists every
// cluster that passes the directory-block test into a record; records with at least one node
// are kept, in cluster order. Advances the progress by the clusters read and counts what it
// keeps; a stop request ends the search with what was found.
std::vector<LostDirectoryRecord> FindLostDirectories(const ClusterRunList& freeRuns, LostDirectorySearch& search);

// Links the records into folders as LinkLostDirectoryRecords does, each record named by the
// cluster it was read from and an entry covering at most the longest exFAT directory.
std::vector<ScanNode> LinkLostDirectories(std::vector<LostDirectoryRecord> records, NamePool& names,
                                          std::uint64_t clusterBytes);

}  // namespace tundrel
