#pragma once
// $STANDARD_INFORMATION: a record's time stamps and file attributes.

#include <cstdint>
#include <optional>

#include "ntfs/mft_attribute.h"
#include "scan/scan_node.h"

namespace tundrel {

struct StandardInformation {
    std::uint64_t created = 0;
    std::uint64_t modified = 0;
    std::uint64_t recordChanged = 0;
    std::uint32_t fileAttributes = 0;
};

// The value is taken at attribute offset 0x18 whatever the header says; nothing when the
// attribute is too short to hold the file attributes.
std::optional<StandardInformation> ReadStandardInformation(const MftAttribute& attribute);

// Fills the node's empty time slots: created (with milliseconds), modified, and the record
// change time as the access date.
void FillTimes(ScanNode& node, const StandardInformation& info);

// Read-only, hidden, system, sparse, compressed and encrypted become node flags.
std::uint32_t FlagsOfFileAttributes(std::uint32_t fileAttributes);

}  // namespace tundrel
