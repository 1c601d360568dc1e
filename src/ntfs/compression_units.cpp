#include "ntfs/compression_units.h"

#include <algorithm>

namespace tundrel {

ExtentList GroupCompressionUnits(const NtfsVolume& volume, const MftRunList& runs, std::uint64_t fileSize) {
    ExtentList units;
    const std::uint64_t unitBytes = kClustersPerCompressionUnit * volume.ClusterBytes();
    if (unitBytes == 0 || fileSize == 0 || volume.ClusterBytes() > kLargestCompressedClusterBytes) return units;
    const std::uint64_t unitsWanted = std::min((fileSize + unitBytes - 1) / unitBytes, kMaxCompressionUnits);
    const std::uint64_t spc = volume.SectorsPerCluster();

    std::uint64_t vcn = 0;  // first cluster of the current run within the file
    for (const MftRun& run : runs) {
        std::uint64_t done = 0;
        while (done < run.clusterCount) {
            const std::uint64_t unit = (vcn + done) / kClustersPerCompressionUnit;
            if (unit >= unitsWanted) return units;
            if (units.size() <= unit) units.resize(static_cast<std::size_t>(unit) + 1);
            const std::uint64_t unitEnd = (unit + 1) * kClustersPerCompressionUnit;
            const std::uint64_t take = std::min<std::uint64_t>(run.clusterCount - done, unitEnd - (vcn + done));
            if (!run.sparse) {
                const std::uint64_t cluster = std::uint64_t{run.startCluster} + done;
                const bool pastVolume = volume.clusterCount != 0 && cluster + take > volume.clusterCount;
                const auto sector = volume.ClusterSector(cluster);
                if (!sector || pastVolume) {
                    units.resize(static_cast<std::size_t>(unit));
                    return units;
                }
                FileExtent& extent = units[static_cast<std::size_t>(unit)];
                if (extent.sectorCount == 0) {
                    extent.startSector = *sector;
                    extent.sectorCount = take * spc;
                } else {
                    extent.pieces.push_back({*sector, take * spc});
                }
            }
            done += take;
        }
        vcn += run.clusterCount;
    }
    return units;
}

}  // namespace tundrel
