// exFAT directory clusters from anywhere: the directory-block test, the listing of entry sets
// (with and without the test), and the linking of lost directory clusters into folders.
// The input is a run of clusters of 512 bytes; each is also a lost-directory record.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "exfat/exfat_directory_block.h"
#include "exfat/exfat_directory_listing.h"
#include "exfat/exfat_entry_set.h"
#include "exfat/exfat_lost_directories.h"
#include "scan/name_pool.h"

using namespace tundrel;

namespace {
constexpr std::size_t kClusterBytes = 512;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    NamePool names;
    ExFatListContext listing{&names, {}};

    // The whole input as one directory, as a directory walk reads one.
    IsExFatDirectoryBlock(bytes, size / kExFatEntryBytes + 1);
    ScanNode whole;
    whole.Set(kFlagDirectory, true);
    ListExFatDirectory(whole, bytes, listing, false);
    EntrySetChecksum(bytes);

    // Cluster by cluster, as the free-space search reads them; the records of the clusters
    // that pass are then linked, with cluster numbers taken from the cluster's first bytes so
    // that entries may name each other.
    std::vector<LostDirectoryRecord> records;
    for (std::size_t at = 0; at + kClusterBytes <= size; at += kClusterBytes) {
        const auto cluster = bytes.subspan(at, kClusterBytes);
        LostDirectoryRecord record;
        record.cluster = static_cast<std::uint32_t>(2 + at / kClusterBytes);
        record.folder.Set(kFlagDirectory, true);
        record.folder.Set(kFlagDeleted, (cluster[0] & 1) != 0);
        if (!ListExFatDirectory(record.folder, cluster, listing, true)) continue;
        if (!record.folder.children.empty()) records.push_back(std::move(record));
    }
    LinkLostDirectories(std::move(records), names, kClusterBytes);
    return 0;
}
