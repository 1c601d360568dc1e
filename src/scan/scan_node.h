#pragma once
// One found file or directory of a scan, and the bits of its state word.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tundrel {

struct DirectorySource;

// State and attribute bits of ScanNode::flags.
enum NodeFlag : std::uint32_t {
    kFlagDirectory = 0x1,
    kFlagDeleted = 0x2,            // the entry or a directory above it was found deleted
    kFlagStream = 0x4,             // NTFS: a named data stream, beside its file as "file:stream"
    kFlagRecordFree = 0x8,         // the entry's own directory record is marked free
    kFlagInRecord = 0x10,          // NTFS: data held inside the MFT record; set on NTFS directories
    kFlagCompressed = 0x20,
    kFlagAttributeList = 0x40,     // NTFS record carries an attribute list
    kFlagPruned = 0x80,            // dropped at the next compaction of the parent's children
    kFlagChecked = 0x100,          // selected for export
    kFlagPartlyChecked = 0x200,    // some, not all, nodes below are selected
    kFlagExporting = 0x400,        // being written by the export writer
    kFlagLostSearch = 0x800,       // set by the lost-file search
    kFlagOverwritten = 0x1000,     // a deleted file whose first cluster or record is in use again
    kFlagArchive = 0x2000,
    kFlagReadOnly = 0x4000,
    kFlagSystem = 0x8000,
    kFlagEncrypted = 0x10000,
    kFlagHidden = 0x20000,
    kFlagContiguous = 0x40000,     // data is one run from `location` (carved files); NTFS: sparse
    kFlagValidLength = 0x80000,    // exFAT: data past the valid length the scanner keeps reads as zeros
    kFlagGuessedExtent = 0x100000, // set by the NTFS extent builder, read by the export writer
    kFlagLostSearchMark = 0x200000,
    kFlagNoChain = 0x400000,       // exFAT: clusters are contiguous and have no FAT chain
};

// A plain record copied by value: children live in one contiguous array owned by the parent.
// `parent` is only meaningful after LinkParents has run over the tree (the arrays may move
// while a scanner builds them).
struct ScanNode {
    std::uint32_t flags = 0;
    std::uint32_t location = 0;      // first cluster (FAT, exFAT) or first sector (carved files)
    const char16_t* name = nullptr;  // zero-terminated, interned in the scanner's NamePool
    std::uint32_t createdTime = 0;   // packed time
    std::uint16_t createdDate = 0;   // FAT date
    std::uint16_t accessedDate = 0;  // FAT date; no time of day is kept
    std::uint32_t modifiedTime = 0;  // packed time
    std::uint16_t modifiedDate = 0;  // FAT date
    std::uint16_t milliseconds = 0;
    std::uint64_t size = 0;          // bytes; a directory's is the sum below it after the scan
    // On a directory: the scanner's entry list from which `children` is filled on first use.
    // On a root folder: the record whose display text is put in front of displayed paths.
    const DirectorySource* dirSource = nullptr;
    std::uint32_t recordNumber = 0;  // scanner-private; NTFS keeps the MFT record number
    std::uint32_t extra = 0;         // scanner-private
    std::vector<ScanNode> children;
    ScanNode* parent = nullptr;

    std::int32_t childCount() const { return static_cast<std::int32_t>(children.size()); }
    bool Has(std::uint32_t flag) const { return (flags & flag) != 0; }
    void Set(std::uint32_t flag, bool on) { flags = on ? (flags | flag) : (flags & ~flag); }
    bool IsDirectory() const { return Has(kFlagDirectory); }
};
// A scan holds one node per file found: the fields are ordered to leave no padding.
static_assert(sizeof(ScanNode) <= 88);

// A scanner's own record of a directory's entries (lazy children), or of a root folder's
// display prefix. The scanner owns these; nodes only point at them.
struct DirectorySource {
    std::vector<ScanNode> entries;
    std::u16string displayText;
};

// The node's name; empty for a node without one.
inline std::u16string_view NameOf(const ScanNode& node) {
    return node.name != nullptr ? std::u16string_view(node.name) : std::u16string_view();
}

}  // namespace tundrel
