#include "exfat/exfat_directory_listing.h"

#include <optional>
#include <string>

#include "exfat/exfat_valid_length.h"
#include "fat/directory_entry.h"
#include "exfat/exfat_directory_block.h"
#include "exfat/exfat_entry_set.h"
#include "scan/child_array.h"
#include "scan/name_filter.h"
#include "scan/name_pool.h"
#include "scan/node_links.h"
#include "scan/node_order.h"
#include "support/byte_reader.h"
#include "support/display_format.h"

namespace tundrel {
namespace {

// File attribute bits of a file entry.
constexpr std::uint16_t kAttrReadOnly = 0x01;
constexpr std::uint16_t kAttrHidden = 0x02;
constexpr std::uint16_t kAttrSystem = 0x04;
constexpr std::uint16_t kAttrDirectory = 0x10;
constexpr std::uint16_t kAttrArchive = 0x20;

// The entry set being listed.
struct OpenSet {
    std::size_t start = 0;
    std::size_t secondaryCount = 0;
    std::size_t nameLength = 0;
    std::u16string name;
    bool nameEnded = false;  // a zero character ends the name early
    ScanNode node;

    bool IsStreamAt(std::size_t i) const { return i == start + 1; }
    bool IsNameAt(std::size_t i) const { return i > start + 1 && i <= start + secondaryCount; }
    bool IsLastAt(std::size_t i) const { return i == start + secondaryCount; }
};

// A stamp that records its UTC offset is moved into the process's time zone, as NTFS stamps
// are; one without is kept as written.
LocalTimestamp StampOf(const ByteReader& entry, std::size_t stampField, std::size_t offsetField) {
    const std::uint32_t stamp = entry.U32(stampField);
    const LocalTimestamp written{static_cast<std::uint16_t>(stamp >> 16),
                                 PackedFatTime(static_cast<std::uint16_t>(stamp & 0xFFFF), 0)};
    const std::uint8_t offset = entry.U8(offsetField);
    if ((offset & 0x80) == 0) return written;
    const auto asUtc = UtcMoment(written.date, written.time);
    if (!asUtc) return written;
    const int quarterHours = (offset & 0x40) != 0 ? (offset & 0x7F) - 0x80 : offset & 0x7F;
    const LocalTimestamp local = ToLocalTimestamp(*asUtc - std::time_t{quarterHours} * 15 * 60);
    return local.date != 0 ? local : written;
}

ScanNode BitmapNode(const ByteReader& entry, NamePool& names) {
    ScanNode node;
    node.name = names.Add(kBitmapNodeName);
    node.location = entry.U32(exfat_field::kBitmapFirstCluster);
    node.size = entry.U64(exfat_field::kBitmapLength);
    node.Set(kFlagHidden | kFlagSystem, true);
    return node;
}

OpenSet OpenFileSet(const ByteReader& entry, std::size_t index, bool parentDeleted) {
    OpenSet set;
    set.start = index;
    set.secondaryCount = entry.U8(exfat_field::kSecondaryCount);
    ScanNode& node = set.node;
    const bool deleted = !IsInUse(entry.U8(exfat_field::kType));
    if (deleted) node.Set(kFlagRecordFree | kFlagNoChain, true);
    node.Set(kFlagDeleted, deleted || parentDeleted);
    const std::uint16_t attributes = entry.U16(exfat_field::kAttributes);
    node.Set(kFlagReadOnly, (attributes & kAttrReadOnly) != 0);
    node.Set(kFlagHidden, (attributes & kAttrHidden) != 0);
    node.Set(kFlagSystem, (attributes & kAttrSystem) != 0);
    node.Set(kFlagArchive, (attributes & kAttrArchive) != 0);
    node.Set(kFlagDirectory, (attributes & kAttrDirectory) != 0);
    const LocalTimestamp created = StampOf(entry, exfat_field::kCreated, exfat_field::kCreatedUtcOffset);
    const LocalTimestamp modified = StampOf(entry, exfat_field::kModified, exfat_field::kModifiedUtcOffset);
    node.createdDate = created.date;
    node.createdTime = created.time;
    node.modifiedDate = modified.date;
    node.modifiedTime = modified.time;
    node.accessedDate = StampOf(entry, exfat_field::kAccessed, exfat_field::kAccessedUtcOffset).date;
    return set;
}

// False when the set ends here: a deleted empty file has nothing to recover.
bool ReadStream(const ByteReader& entry, OpenSet& set) {
    ScanNode& node = set.node;
    if (entry.U8(exfat_field::kStreamFlags) == (kStreamAllocationPossible | kStreamNoFatChain)) {
        node.Set(kFlagNoChain, true);
    }
    // The length field is one byte, so a name never exceeds 255 characters.
    set.nameLength = entry.U8(exfat_field::kNameLength);
    node.size = entry.U64(exfat_field::kDataLength);
    const std::uint64_t validLength = entry.U64(exfat_field::kValidLength);
    KeepValidLength(node, validLength);
    node.location = entry.U32(exfat_field::kFirstCluster);
    const bool empty = node.size == 0 && validLength == 0 && node.location == 0;
    return !(empty && !node.IsDirectory() && node.Has(kFlagRecordFree));
}

void AppendNameChars(const ByteReader& entry, OpenSet& set) {
    for (std::size_t c = 0; c < kExFatNameCharsPerEntry && !set.nameEnded && set.name.size() < set.nameLength; ++c) {
        const auto unit = static_cast<char16_t>(entry.U16(exfat_field::kNameChars + 2 * c));
        if (unit == 0) {
            set.nameEnded = true;
        } else {
            set.name.push_back(unit);
        }
    }
}

}  // namespace

bool ListExFatDirectory(ScanNode& parent, std::span<const std::uint8_t> directory, ExFatListContext& context,
                        bool testFirst) {
    const std::size_t count = directory.size() / kExFatEntryBytes;
    if (testFirst && !IsExFatDirectoryBlock(directory, count)) return false;
    const bool parentDeleted = parent.Has(kFlagDeleted);
    std::vector<ScanNode>& made = context.scratch;
    made.clear();
    std::optional<OpenSet> set;
    for (std::size_t i = 0; i < count; ++i) {
        const ByteReader entry(ExFatEntryAt(directory, i));
        const std::uint8_t type = entry.U8(exfat_field::kType);
        if (type == exfat_type::kBitmap) {
            if (entry.U64(exfat_field::kBitmapLength) != 0) made.push_back(BitmapNode(entry, *context.names));
        } else if (IsFileEntryType(type)) {
            // A set still open here lost its last entries: it gives no node.
            set = OpenFileSet(entry, i, parentDeleted);
        } else if (set && IsStreamEntryType(type) && set->IsStreamAt(i)) {
            if (!ReadStream(entry, *set)) set.reset();
        } else if (set && IsNameEntryType(type) && set->IsNameAt(i)) {
            AppendNameChars(entry, *set);
            if (set->IsLastAt(i)) {
                if (IsListedEntryName(set->name.c_str())) {
                    set->node.name = context.names->Add(set->name);
                    made.push_back(std::move(set->node));
                }
                set.reset();
            }
        }
    }
    if (made.empty()) return true;
    if (!AssignChildren(parent, made)) return true;
    if (parent.children.size() >= 2) SortChildren(parent, ChildOrder::Default);
    LinkParents(parent, LinkDepth::ChildrenOnly);
    return true;
}

}  // namespace tundrel
