#include "fat/directory_listing.h"

#include <limits>

#include "platform/ansi_code_page.h"
#include "fat/deleted_names.h"
#include "fat/directory_block.h"
#include "fat/directory_entry.h"
#include "fat/entry_name.h"
#include "scan/child_array.h"
#include "scan/duplicate_entries.h"
#include "scan/name_filter.h"
#include "scan/name_pool.h"
#include "scan/node_order.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

void CopyEntryFields(EntryBytes entry, std::uint32_t fsType, ScanNode& node) {
    namespace f = entry_field;
    const ByteReader r(entry);
    node.createdDate = r.U16(f::kCreatedDate);
    node.accessedDate = r.U16(f::kAccessedDate);
    node.modifiedDate = r.U16(f::kModifiedDate);
    node.createdTime = PackedFatTime(r.U16(f::kCreatedTime), r.U8(f::kCreatedTenMs));
    node.modifiedTime = PackedFatTime(r.U16(f::kModifiedTime), 0);
    node.size = r.U32(f::kSize);
    node.location = EntryFirstCluster(entry, fsType);
    const std::uint8_t attributes = r.U8(f::kAttributes);
    if ((attributes & kAttrReadOnly) != 0) node.Set(kFlagReadOnly, true);
    if ((attributes & kAttrHidden) != 0) node.Set(kFlagHidden, true);
    if ((attributes & kAttrSystem) != 0) node.Set(kFlagSystem, true);
    if ((attributes & kAttrArchive) != 0) node.Set(kFlagArchive, true);
    if ((attributes & kAttrDirectory) != 0) node.Set(kFlagDirectory, true);
}

// An entry whose data would start beyond the volume is damage, not a file.
bool FirstClusterFits(std::uint32_t cluster, const FatBootParameters* parameters) {
    if (parameters == nullptr) return true;
    const std::uint64_t bound = parameters->TotalSectorBound();
    if (bound == 0) return true;
    const std::uint64_t sector = std::uint64_t{cluster} * parameters->sectorsPerCluster;
    return sector <= std::numeric_limits<std::uint32_t>::max() && sector <= bound;
}

}  // namespace

bool ListDirectory(ScanNode& parent, std::span<const std::uint8_t> directory, std::size_t entryCount,
                   ListContext& context, bool testFirst) {
    const std::size_t count = std::min(entryCount, directory.size() / kFatEntryBytes);
    directory = directory.first(count * kFatEntryBytes);
    if (testFirst && !IsFatDirectoryBlock(directory, count, {})) return false;
    if (context.stop != nullptr && context.stop->load(std::memory_order_relaxed) != 0) return true;

    std::vector<ScanNode>& made = context.scratch;
    made.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const EntryBytes entry = EntryAt(directory, i);
        const std::uint8_t attributes = entry[entry_field::kAttributes];
        if (attributes == kAttrLongName) {
            // The entry holding the end of a name says how many more belong to it.
            const auto ordinal = static_cast<std::int8_t>(entry[0]);
            if (ordinal >= 0x41) i += static_cast<std::size_t>(ordinal - 0x41);
            continue;
        }
        std::uint8_t firstByte = entry[0];
        if (firstByte == '.' || (attributes & kAttrVolumeLabel) != 0) continue;
        if (firstByte == 0) {
            if (entry[1] == 0) break;
            firstByte = ' ';
        }

        ScanNode node;
        node.Set(kFlagDeleted, parent.Has(kFlagDeleted));
        if (IsFreedMark(firstByte)) {
            node.Set(kFlagDeleted | kFlagRecordFree, true);
            // The mark took the first character; a lead byte of a double-byte character is
            // kept so that the rest still decodes.
            if (entry[1] >= 0x01 && entry[1] <= 0x7F) firstByte = '#';
        }
        const std::u16string name = BuildEntryName(directory, i, firstByte, *context.codePage);
        if (!IsListedEntryName(name.c_str())) continue;
        if (node.Has(kFlagRecordFree) && CannotBeDeletedFile(entry, context.fsType)) continue;
        CopyEntryFields(entry, context.fsType, node);
        if (!FirstClusterFits(node.location, context.parameters)) continue;
        if (node.IsDirectory() && !node.Has(kFlagDeleted) && context.directoryClusters != nullptr) {
            context.directoryClusters->insert(node.location);
        }
        node.name = context.names->Add(name);
        made.push_back(std::move(node));
    }
    if (made.empty()) return true;
    if (!AssignChildren(parent, made)) return true;
    if (parent.children.size() >= 2) SortChildren(parent, ChildOrder::Default);
    ResolveDeletedNames(parent);
    RemoveDuplicateEntries(parent);
    return true;
}

}  // namespace tundrel
