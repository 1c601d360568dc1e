#pragma once
// Folders whose MFT record lost its $FILE_NAME (some drivers remove it when they delete a
// folder that carries an attribute list) keep their children, which would otherwise land in
// a made-up "Dir_<n>". Their name and parent are looked up in the $I30 indexes of the other
// folders: the live entries and the slack after them.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "ntfs/ntfs_volume.h"
#include "ntfs/record_table.h"
#include "scan/name_pool.h"

namespace tundrel {

// The search reads each folder's record and INDX blocks once, within these bounds.
struct IndexSearchLimits {
    std::size_t folders = 65'536;
    std::size_t blocks = 8'192;
};

// Names the nameless directory records that have children (the table's links sorted) from
// the first index entry that names their record number (the sequence number changes when a
// record is freed) under a non-DOS name and gives the index's folder as parent. A named record
// gets its name, parent, times and link; the links are sorted again. Returns the number named.
std::size_t NameNamelessFolders(const NtfsVolume& volume, RecordTable& table, NamePool& names,
                                const std::atomic<std::uint32_t>& stop, IndexSearchLimits limits = {});

}  // namespace tundrel
