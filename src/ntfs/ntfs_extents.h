#pragma once
// Where an NTFS file's data lies, from its MFT record.

#include "ntfs/ntfs_volume.h"
#include "scan/file_extent.h"
#include "scan/scan_node.h"

namespace tundrel {

enum class ExtentSource {
    None,     // nothing describes the data
    Record,   // the data is held in an MFT record: one extent at that record
    Runs,     // the record's runs (compression units for a compressed file)
    Guessed,  // the record's runs are gone: one run from the remembered first cluster
};

// Fills `extents` for a file node. Runs are read from the record at the node's location,
// through its attribute list when it has one; sparse runs, and what lies past the data's
// initialized size, read as zeros. A compressed file gets one extent per compression unit.
ExtentSource BuildNtfsExtents(const NtfsVolume& volume, const ScanNode& node, ExtentList& extents);

}  // namespace tundrel
