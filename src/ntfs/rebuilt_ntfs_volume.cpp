#include "ntfs/rebuilt_ntfs_volume.h"

#include <string_view>

#include "ntfs/mft_record_parse.h"

namespace tundrel {

bool HoldsMftRecordAt(const NtfsVolume& volume, std::uint64_t mftCluster) {
    std::array<std::uint8_t, 1024> record{};
    if (!volume.Read(record, volume.ClusterSector(mftCluster))) return false;
    NamePool names;
    ScanNode node;
    ParseMftRecord(record, node, names);
    return node.name != nullptr && std::u16string_view(node.name) == u"$MFT";
}

}  // namespace tundrel
