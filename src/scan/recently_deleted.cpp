#include "scan/recently_deleted.h"

#include <new>
#include <vector>

#include "scan/child_array.h"
#include "support/display_format.h"

namespace tundrel {
namespace {

class RecentCollector {
public:
    explicit RecentCollector(std::uint16_t oldestDate) : oldestDate_(oldestDate) {}

    // False once the list is full or memory ran out; the walk then stops.
    bool Walk(const ScanNode& directory) {
        for (const ScanNode& child : directory.children) {
            if (child.IsDirectory()) {
                if (!Walk(child)) return false;
            } else if (IsRecentDeletedFile(child)) {
                if (found_.size() > kRecentLimit) return false;
                try {
                    found_.push_back(child);
                } catch (const std::bad_alloc&) {
                    return false;
                }
            }
        }
        return true;
    }

    std::vector<ScanNode>& Found() { return found_; }

private:
    // A zero date means "no date" and never counts, whatever the window.
    bool IsRecentDate(std::uint16_t date) const { return date != 0 && date >= oldestDate_; }

    bool IsRecentDeletedFile(const ScanNode& node) const {
        return node.Has(kFlagDeleted) &&
               (IsRecentDate(node.modifiedDate) || IsRecentDate(node.accessedDate));
    }

    std::uint16_t oldestDate_;
    std::vector<ScanNode> found_;
};

}  // namespace

std::size_t CollectRecentlyDeleted(ResultTree& tree, std::time_t now) {
    RecentCollector collector(ToLocalTimestamp(now - kRecentWindowSeconds).date);
    if (collector.Walk(tree[RootIndex::Lost])) collector.Walk(tree[RootIndex::Deleted]);
    const std::size_t count = collector.Found().size();
    if (count == 0) return 0;
    return AppendChildren(tree[RootIndex::Recent], std::move(collector.Found())) ? count : 0;
}

}  // namespace tundrel
