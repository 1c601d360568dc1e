#include "carve/carve_dispatcher.h"

#include <algorithm>
#include <array>

#include "scan/scan_progress.h"

namespace tundrel {
namespace {
// The status display keeps at most this many characters of the current name.
constexpr std::size_t kLongestCurrentName = 255;

// The keys of all rules merged by offset: a block that none of them admits concerns no rule
// unless one follows a file. Held on the stack, since a FAT pass dispatches cluster by cluster.
class MergedKeys {
public:
    explicit MergedKeys(const std::vector<CarveRule>& table) {
        for (const CarveRule& rule : table) {
            StartKey* key = std::ranges::find(keys_.begin(), keys_.begin() + count_, rule.key.offset, &StartKey::offset);
            if (key == keys_.begin() + count_) {
                // More offsets than kept: every block is looked at rule by rule.
                if (count_ == keys_.size()) {
                    complete_ = false;
                    return;
                }
                *key = {rule.key.offset, {}};
                ++count_;
            }
            key->bytes |= rule.key.bytes;
        }
    }
    bool MayConcernARule(std::span<const std::uint8_t> block) const {
        return !complete_ || std::any_of(keys_.begin(), keys_.begin() + count_, [block](const StartKey& key) { return key.Admits(block); });
    }

private:
    std::array<StartKey, 8> keys_{};
    std::size_t count_ = 0;
    bool complete_ = true;
};
}  // namespace

void DispatchCarveBlocks(std::span<const std::uint8_t> buffer, std::uint64_t firstSector, std::vector<CarveRule>& table,
                         CarveContext& context, ScanProgress& progress) {
    const MergedKeys merged(table);
    std::size_t pending = static_cast<std::size_t>(std::ranges::count(table, true, &CarveRule::pending));
    std::uint32_t added = 0;
    for (std::size_t offset = 0; buffer.size() - offset >= kCarveBlockBytes; offset += kCarveBlockBytes) {
        if (progress.StopRequested()) break;
        const CarveBlock block{buffer.subspan(offset), firstSector + offset / kCarveBlockBytes};
        if (pending == 0 && !merged.MayConcernARule(block.bytes)) continue;
        for (CarveRule& rule : table) {
            if (!rule.pending && !rule.key.Admits(block.bytes)) continue;
            if (progress.StopRequested()) break;
            const std::size_t before = rule.found.size();
            rule.recognizer->Offer(block, context, rule.found);
            if (rule.pending != rule.recognizer->Pending()) {
                rule.pending = !rule.pending;
                pending = rule.pending ? pending + 1 : pending - 1;
            }
            if (rule.found.size() == before) continue;
            added += static_cast<std::uint32_t>(rule.found.size() - before);
            const CarvedFile& first = rule.found[before];
            progress.foundBytes += first.size;
            if (first.name.size() <= kLongestCurrentName) progress.SetCurrentName(first.name);
        }
    }
    progress.foundCount += added;
}

}  // namespace tundrel
