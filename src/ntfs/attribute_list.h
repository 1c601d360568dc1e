#pragma once
// $ATTRIBUTE_LIST: a file whose attributes do not fit one record keeps them in extension
// records, listed here. The resolver finds the unnamed $DATA through them.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "ntfs/data_runs.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/named_stream.h"
#include "ntfs/ntfs_volume.h"
#include "scan/scan_node.h"

namespace tundrel {

enum class AttributeListMode {
    Size,  // the data size, from the first $DATA found
    Runs,  // every run of the data, in file order
};

struct AttributeListResult {
    std::optional<std::uint64_t> size;  // Size mode
    MftRunList runs;                     // Runs mode
    std::optional<std::uint64_t> initializedSize;  // Runs mode: from the extent the data starts with
    std::uint8_t listResidency = 0;      // low nibble of the list's own non-resident flag
};

// Follows the list through the extension records on `volume`, stopping at the first one that
// cannot be read or is not a sound record; what was gathered before is kept. In Size mode,
// data held in an extension record sets the in-record flag of `node` (when given and not
// set yet) and `extra` to that record's source sector.
// `stream` names the $DATA stream to follow (empty: the file's own data).
AttributeListResult ResolveAttributeList(const NtfsVolume& volume, const MftAttribute& list, AttributeListMode mode,
                                         ScanNode* node = nullptr, std::u16string_view stream = {});

// The named streams whose first extent the list places in a record it names (the base
// record's own attributes are found by the bulk pass: `baseRecord` is skipped).
std::vector<NamedStream> ListNamedStreams(const NtfsVolume& volume, const MftAttribute& list, std::uint32_t baseRecord,
                                          NamePool& names);

}  // namespace tundrel
