#include "scan/recycle_bin_names.h"

#include <algorithm>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "disk/volume_info.h"
#include "scan/child_array.h"
#include "scan/lazy_children.h"
#include "scan/name_case.h"
#include "scan/node_links.h"
#include "scan/node_order.h"
#include "scan/pruning.h"
#include "scan/recycle_bin_folder.h"
#include "scan/recycle_bin_records.h"
#include "scan/volume_scanner.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kLargestInfo2Buffer = 10'000'000;
constexpr std::uint64_t kItemFileBytes = 4'096;
constexpr std::u16string_view kInfo2Name = u"INFO2";

// A recycled node, already under its former name, and the path it stood at.
struct RecycledItem {
    std::u16string path;
    ScanNode copy;
};

class RecycleBinPass {
public:
    RecycleBinPass(VolumeScanner& scanner, AnsiCodePage& codePage) : scanner_(scanner), codePage_(codePage) {}

    void Run() {
        ScanNode& deleted = scanner_.roots[RootIndex::Deleted];
        SetPrunedRecursive(deleted, false);
        for (ScanNode& child : deleted.children) {
            if (!child.IsDirectory() || !IsRecycleBinFolderName(child.name)) continue;
            if (UpperCased(child.name) == u"$RECYCLE.BIN") {
                CollectItemFolder(child, 0);
            } else {
                CollectInfo2Folder(child, 0);
            }
        }
        if (items_.empty()) return;
        for (RecycledItem& item : items_) PlaceAtFormerPath(deleted, item);
        Compact(deleted, ChildOrderOf(RootIndex::Deleted));
        LinkParents(deleted, LinkDepth::WholeSubtree);
    }

private:
    // The leading `bytes` bytes of a file's data; nothing when any of them cannot be read.
    std::optional<std::vector<std::uint8_t>> ReadLeading(const ScanNode& file, std::uint64_t bytes) {
        ExtentList extents;
        if (bytes == 0 || !scanner_.BuildExtents(file, extents)) return std::nullopt;
        std::vector<std::uint8_t> data(static_cast<std::size_t>(bytes));
        if (!scanner_.ReadNodeData(data, 0, file, extents)) return std::nullopt;
        return data;
    }

    // An INFO2 is read in whole clusters of the volume; one whose buffer would pass the bound
    // is taken for damage.
    std::uint64_t Info2BufferBytes(std::uint64_t size) const {
        const std::uint8_t sectorsPerCluster = scanner_.bootSector[13];
        const std::uint64_t unit = sectorsPerCluster > 1 ? sectorsPerCluster * kSectorBytes : kSectorBytes;
        return (size / unit + 1) * unit;
    }

    // "Recycled" and "RECYCLER" (and each per-user folder in them): the INFO2 of a folder names
    // the "D<drive><N>.<ext>" items beside it.
    void CollectInfo2Folder(ScanNode& folder, int depth) {
        if (depth > kLazyFillDepth) return;
        FillLazyChildren(folder);
        std::vector<const ScanNode*> info2Files;
        for (const ScanNode& child : folder.children) {
            if (!child.IsDirectory() && NameOf(child) == kInfo2Name) info2Files.push_back(&child);
        }
        if (!info2Files.empty()) {
            const ScanNode* info2 = &Preferred(info2Files, false);
            const std::uint64_t buffer = Info2BufferBytes(info2->size);
            if (info2->size > 0 && buffer <= kLargestInfo2Buffer) {
                if (const auto bytes = ReadLeading(*info2, info2->size)) {
                    const auto paths = ReadInfo2Paths(*bytes, codePage_);
                    for (ScanNode& child : folder.children) MatchInfo2Item(child, paths);
                }
            }
        }
        for (ScanNode& child : folder.children) {
            if (child.IsDirectory() && !child.Has(kFlagPruned) && !RecycledFileNumber(NameOf(child))) {
                CollectInfo2Folder(child, depth + 1);
            }
        }
    }

    void MatchInfo2Item(ScanNode& item, const std::map<std::uint32_t, std::u16string>& paths) {
        const auto number = RecycledFileNumber(NameOf(item));
        if (!number) return;
        const auto found = paths.find(*number);
        if (found == paths.end()) return;
        // An item whose extension differs from its former name's is not the file of the record.
        if (UpperExtension(NameOf(item)) != UpperExtension(FileNameOf(found->second))) return;
        Record(item, found->second);
    }

    // "$RECYCLE.BIN" (and each per-user folder in it): every "$R" item has its former path in
    // the "$I" file of the same folder whose name differs only in that letter.
    void CollectItemFolder(ScanNode& folder, int depth) {
        if (depth > kLazyFillDepth) return;
        FillLazyChildren(folder);
        // The "$I" files by name, looked up once per "$R" item: a folder may hold many.
        std::unordered_map<std::u16string_view, std::vector<const ScanNode*>> infoFiles;
        for (const ScanNode& child : folder.children) {
            const std::u16string_view name = NameOf(child);
            if (!child.IsDirectory() && name.size() > 2 && name[1] == u'I') infoFiles[name].push_back(&child);
        }
        for (ScanNode& child : folder.children) {
            if (!IsDataItem(child)) continue;
            std::u16string infoName(NameOf(child));
            infoName[1] = u'I';
            const auto found = infoFiles.find(infoName);
            if (found == infoFiles.end()) continue;
            const ScanNode& info = Preferred(found->second, child.Has(kFlagDeleted));
            const auto bytes = ReadLeading(info, std::min(info.size, kItemFileBytes));
            if (!bytes) continue;
            if (auto path = ReadRecycledItemPath(*bytes)) Record(child, std::move(*path));
        }
        for (ScanNode& child : folder.children) {
            if (child.IsDirectory() && !IsDataItem(child)) CollectItemFolder(child, depth + 1);
        }
    }

    // Of files of one name (a deleted one and a later live one), one whose deleted bit is
    // `deleted` first.
    static const ScanNode& Preferred(const std::vector<const ScanNode*>& files, bool deleted) {
        for (const ScanNode* file : files) {
            if (file->Has(kFlagDeleted) == deleted) return *file;
        }
        return *files.front();
    }

    // A deleted FAT short name has lost its first character ("$RAB12CD.txt" lists as
    // "#RAB12CD.txt"); its "$I" file has lost it the same way.
    static bool IsDataItem(const ScanNode& node) {
        const std::u16string_view name = NameOf(node);
        return name.size() > 2 && name[1] == u'R' && (name[0] == u'$' || node.Has(kFlagDeleted));
    }

    static std::u16string_view FileNameOf(std::u16string_view path) { return path.substr(path.rfind(u'\\') + 1); }

    // The item takes its former name; a copy of it goes to its former folders later, and the
    // item itself leaves the recycle-bin folder at the compaction.
    void Record(ScanNode& item, std::u16string path) {
        item.name = scanner_.namePool.Add(FileNameOf(path));
        try {
            items_.push_back({std::move(path), item});
        } catch (const std::bad_alloc&) {
            return;  // out of memory: the item stays where it is, under its former name
        }
        item.Set(kFlagPruned, true);
    }

    // The folders of the path's directory part, drive included, found or made below `root`.
    void PlaceAtFormerPath(ScanNode& root, RecycledItem& item) {
        ScanNode* folder = &root;
        const std::u16string_view path = item.path;
        const std::size_t end = path.rfind(u'\\');
        for (std::size_t start = 0; start < end;) {
            const std::size_t stop = std::min(path.find(u'\\', start), end);
            folder = SubFolder(*folder, path.substr(start, stop - start));
            if (folder == nullptr) return;
            start = stop + 1;
        }
        AppendChild(*folder, std::move(item.copy));
    }

    // Nothing when memory ran out.
    ScanNode* SubFolder(ScanNode& parent, std::u16string_view name) {
        const std::u16string upper = UpperCased(name);
        for (ScanNode& child : parent.children) {
            if (child.IsDirectory() && !child.Has(kFlagPruned) && UpperCased(NameOf(child)) == upper) return &child;
        }
        ScanNode folder;
        folder.flags = kFlagDirectory;
        folder.name = scanner_.namePool.Add(name);
        if (!AppendChild(parent, std::move(folder))) return nullptr;
        return &parent.children.back();
    }

    VolumeScanner& scanner_;
    AnsiCodePage& codePage_;
    std::vector<RecycledItem> items_;
};

}  // namespace

void ApplyRecycleBinNames(VolumeScanner& scanner, AnsiCodePage& codePage) { RecycleBinPass(scanner, codePage).Run(); }

}  // namespace tundrel
