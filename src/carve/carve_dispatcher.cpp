#include "carve/carve_dispatcher.h"

#include "scan/scan_progress.h"

namespace tundrel {
namespace {
// The status display keeps at most this many characters of the current name.
constexpr std::size_t kLongestCurrentName = 255;

// Whether a rule must see a block: one that follows no file and whose key the block fails would
// leave it unchanged, so most blocks reach only a few rules.
struct RuleGate {
    StartKey key;
    bool pending = true;
};
}  // namespace

void DispatchCarveBlocks(std::span<const std::uint8_t> buffer, std::uint64_t firstSector, std::vector<CarveRule>& table,
                         CarveContext& context, ScanProgress& progress) {
    std::vector<RuleGate> gates;
    gates.reserve(table.size());
    for (const CarveRule& rule : table) gates.push_back({rule.recognizer->Key(), rule.recognizer->Pending()});
    std::uint32_t added = 0;
    for (std::size_t offset = 0; buffer.size() - offset >= kCarveBlockBytes; offset += kCarveBlockBytes) {
        if (progress.StopRequested()) break;
        const CarveBlock block{buffer.subspan(offset), firstSector + offset / kCarveBlockBytes};
        for (std::size_t i = 0; i < table.size(); ++i) {
            RuleGate& gate = gates[i];
            if (!gate.pending && !gate.key.Admits(block.bytes)) continue;
            if (progress.StopRequested()) break;
            CarveRule& rule = table[i];
            const std::size_t before = rule.found.size();
            rule.recognizer->Offer(block, context, rule.found);
            gate.pending = rule.recognizer->Pending();
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
