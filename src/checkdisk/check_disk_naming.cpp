#include "checkdisk/check_disk_naming.h"

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "carve/content_detector.h"
#include "scan/file_extent.h"
#include "scan/node_links.h"
#include "scan/node_order.h"
#include "scan/result_tree.h"
#include "scan/scan_progress.h"
#include "scan/scan_task.h"
#include "scan/volume_scanner.h"
#include "checkdisk/check_disk_files.h"
#include "support/byte_reader.h"
#include "support/strings.h"

namespace tundrel {
namespace {

// Smaller files are too short to tell anything by.
constexpr std::uint64_t kLeastNamedBytes = 65;
constexpr std::uint64_t kFirstBytes = 1024;
constexpr int kMaxDepth = 50;
constexpr std::string_view kUnknownType = "unknown";

// A FAT subdirectory opens with its "." and ".." entries; check-disk saves a lost directory's
// chain like any other.
bool OpensWithDotEntries(std::span<const std::uint8_t> bytes) {
    constexpr std::string_view kDot = ".       ";
    constexpr std::string_view kDotDot = "..      ";
    const ByteReader reader(bytes);
    const auto dot = reader.Bytes(0, kDot.size());
    const auto dotDot = reader.Bytes(32, kDotDot.size());
    return dot.size() == kDot.size() && dotDot.size() == kDotDot.size() && std::ranges::equal(dot, kDot) &&
           std::ranges::equal(dotDot, kDotDot);
}

// "JPG_FILE0001.CHK.JPG": the type in capitals before and after the old name.
std::u16string TypedName(std::string_view type, std::u16string_view oldName) {
    std::u16string upper;
    for (const char c : type) upper.push_back(static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    return upper + u"_" + std::u16string(oldName) + u"." + upper;
}

class CheckDiskNamer {
public:
    CheckDiskNamer(VolumeScanner& scanner, ScanProgress& progress) : scanner_(scanner), progress_(progress) {}

    static std::int64_t Count(const ScanNode& directory, int depth) {
        if (depth >= kMaxDepth) return 0;
        std::int64_t count = 0;
        for (const ScanNode& child : directory.children) {
            count += child.IsDirectory() ? Count(child, depth + 1) : IsCheckDiskFile(child) ? 1 : 0;
        }
        return count;
    }

    void NameBelow(ScanNode& directory, ChildOrder order, int depth) {
        if (depth >= kMaxDepth) return;
        bool changed = false;
        for (ScanNode& child : directory.children) {
            if (progress_.StopRequested()) return;
            if (IsCheckDiskFile(child) && child.size >= kLeastNamedBytes) changed = NameByContent(child) || changed;
            if (child.IsDirectory()) NameBelow(child, order, depth + 1);
        }
        if (changed) {
            SortChildren(directory, order);
            LinkParents(directory, LinkDepth::ChildrenOnly);
        }
    }

private:
    // True when the file got a new name or became a directory.
    bool NameByContent(ScanNode& file) {
        ExtentList extents;
        if (!scanner_.BuildExtents(file, extents) || extents.empty()) return false;
        progress_.doneUnits = ++done_;
        std::vector<std::uint8_t> first(static_cast<std::size_t>(std::min(file.size, kFirstBytes)));
        if (!scanner_.ReadNodeData(first, 0, file, extents)) return false;
        if (OpensWithDotEntries(first)) {
            file.Set(kFlagDirectory, true);
            if (scanner_.ExpandDirectory(file, 0)) {
                LinkParents(file, LinkDepth::WholeSubtree);
                return true;
            }
            file.Set(kFlagDirectory, false);
            return false;
        }
        std::string type = DetectContentType(first);
        if (type == kUnknownType) {
            const FileBytesReader read = [&](std::uint64_t offset, std::span<std::uint8_t> buffer) {
                return scanner_.ReadNodeData(buffer, offset, file, extents);
            };
            type = DetectContentTypeDeep(read, file.size);
        }
        if (type == kUnknownType) return false;
        file.name = scanner_.namePool.Add(TypedName(type, file.name));
        return true;
    }

    VolumeScanner& scanner_;
    ScanProgress& progress_;
    std::int64_t done_ = 0;
};

}  // namespace

void NameCheckDiskFilesByContent(VolumeScanner& scanner, ScanProgress& progress, std::uint32_t taskMode) {
    std::vector<RootIndex> roots{RootIndex::Lost, RootIndex::Deleted, RootIndex::Scanned};
    if (taskMode != kModeDeletedFiles) roots.insert(roots.begin(), RootIndex::Root);
    std::int64_t total = 0;
    for (const RootIndex root : roots) total += CheckDiskNamer::Count(scanner.roots[root], 0);
    if (total == 0) return;
    progress.totalUnits = total;
    progress.doneUnits = 0;
    progress.busy = 0;
    progress.SetStatusText(Text16(StringId::RecoveringCheckDiskFiles));
    CheckDiskNamer namer(scanner, progress);
    for (const RootIndex root : roots) namer.NameBelow(scanner.roots[root], ChildOrderOf(root), 0);
    progress.totalUnits = 0;
    progress.doneUnits = 0;
    progress.SetStatusText({});
    progress.busy = 1;
}

}  // namespace tundrel
