#pragma once
// The unnamed $DATA attribute: a file's size and where its data begins.

#include <string_view>

#include "ntfs/mft_attribute.h"
#include "scan/scan_node.h"

namespace tundrel {

// True for the stream a file's contents live in (named streams are left alone).
bool IsUnnamedData(const MftAttribute& attribute);
// True for the $DATA of the stream `stream` (empty: the unnamed one).
bool IsDataStream(const MftAttribute& attribute, std::u16string_view stream);

// Resident data sets the size and the in-record flag; non-resident data sets the size and,
// on a file, `extra` to the first run's cluster. Named streams, attributes shorter than a
// header and run lists placed beyond the record are skipped.
void ApplyUnnamedData(ScanNode& node, const MftAttribute& attribute);

}  // namespace tundrel
