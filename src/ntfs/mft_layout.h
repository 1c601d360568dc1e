#pragma once
// Where the master file table lies on its volume, and so where each of its records lies.

#include <cstdint>

#include "ntfs/data_runs.h"

namespace tundrel {

inline constexpr std::uint32_t kSectorsPerRecord = 2;

struct MftLayout {
    MftRunList runs;                     // the MFT's own data runs, in clusters
    std::uint32_t sectorsPerCluster = 0;
    std::uint64_t startCluster = 0;      // the boot record's MFT start cluster

    // Volume-relative sector of record `record`. Direct: the record's place in a table that
    // starts at sector 0. Otherwise through the runs; a record outside them (or one that
    // would sit at sector 0) is placed as if the table were contiguous from the boot
    // record's start cluster.
    std::uint64_t RecordSector(std::uint32_t record, bool direct = false) const;

    // Records the runs can hold.
    std::uint64_t RecordCount() const;
};

}  // namespace tundrel
