#include "carve/carve_dispatcher.h"

#include "scan/scan_progress.h"

namespace tundrel {
namespace {
// The status display keeps at most this many characters of the current name.
constexpr std::size_t kLongestCurrentName = 255;
}  // namespace

void DispatchCarveBlocks(std::span<const std::uint8_t> buffer, std::uint64_t firstSector, std::vector<CarveRule>& table,
                         CarveContext& context, ScanProgress& progress) {
    std::uint32_t added = 0;
    for (std::size_t offset = 0; buffer.size() - offset >= kCarveBlockBytes; offset += kCarveBlockBytes) {
        if (progress.StopRequested()) break;
        const CarveBlock block{buffer.subspan(offset), firstSector + offset / kCarveBlockBytes};
        for (CarveRule& rule : table) {
            if (progress.StopRequested()) break;
            const std::size_t before = rule.found.size();
            rule.recognizer->Offer(block, context, rule.found);
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
