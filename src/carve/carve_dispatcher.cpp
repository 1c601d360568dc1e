#include "carve/carve_dispatcher.h"

#include <algorithm>

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

// The keys of all rules merged by offset: a block that none of them admits concerns no rule
// unless one follows a file.
std::vector<StartKey> MergedKeys(const std::vector<RuleGate>& gates) {
    std::vector<StartKey> merged;
    for (const RuleGate& gate : gates) {
        auto key = std::ranges::find(merged, gate.key.offset, &StartKey::offset);
        if (key == merged.end()) key = merged.insert(merged.end(), {gate.key.offset, {}});
        key->bytes |= gate.key.bytes;
    }
    return merged;
}
}  // namespace

void DispatchCarveBlocks(std::span<const std::uint8_t> buffer, std::uint64_t firstSector, std::vector<CarveRule>& table,
                         CarveContext& context, ScanProgress& progress) {
    std::vector<RuleGate> gates;
    gates.reserve(table.size());
    for (const CarveRule& rule : table) gates.push_back({rule.recognizer->Key(), rule.recognizer->Pending()});
    const std::vector<StartKey> merged = MergedKeys(gates);
    std::size_t pending = static_cast<std::size_t>(std::ranges::count(gates, true, &RuleGate::pending));
    std::uint32_t added = 0;
    for (std::size_t offset = 0; buffer.size() - offset >= kCarveBlockBytes; offset += kCarveBlockBytes) {
        if (progress.StopRequested()) break;
        const CarveBlock block{buffer.subspan(offset), firstSector + offset / kCarveBlockBytes};
        if (pending == 0 && std::ranges::none_of(merged, [&block](const StartKey& key) { return key.Admits(block.bytes); })) {
            continue;
        }
        for (std::size_t i = 0; i < table.size(); ++i) {
            RuleGate& gate = gates[i];
            if (!gate.pending && !gate.key.Admits(block.bytes)) continue;
            if (progress.StopRequested()) break;
            CarveRule& rule = table[i];
            const std::size_t before = rule.found.size();
            rule.recognizer->Offer(block, context, rule.found);
            if (gate.pending != rule.recognizer->Pending()) {
                gate.pending = !gate.pending;
                pending = gate.pending ? pending + 1 : pending - 1;
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
