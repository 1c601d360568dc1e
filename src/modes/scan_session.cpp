#include "modes/scan_session.h"

#include "modes/all_scanners.h"
#include "scan/node_expansion.h"
#include "scan/scan_environment.h"
#include "scan/volume_scanner.h"

namespace tundrel {

ScanSession::ScanSession() = default;
ScanSession::~ScanSession() = default;

const ScanRunSummary& ScanSession::Run(std::span<const ScanTask> tasks, ReconnectPrompt* reconnect) {
    ScanEnvironment environment{settings, progress, AllScanners(), reconnect};
    summary = RunScanTasks(tasks, environment, contexts, nullptr);
    return summary;
}

std::vector<VolumeScanner*> ScanSession::Scanners() const {
    std::vector<VolumeScanner*> all;
    for (const auto& context : contexts) {
        for (const auto& scanner : context->scanners) all.push_back(scanner.get());
    }
    return all;
}

std::optional<FoundNode> ScanSession::Find(std::size_t volume, RootIndex root, std::span<const NodeStep> steps) const {
    const std::vector<VolumeScanner*> scanners = Scanners();
    if (volume >= scanners.size()) return std::nullopt;
    VolumeScanner& scanner = *scanners[volume];
    ScanNode* node = &scanner.roots[root];
    for (const NodeStep& step : steps) {
        EnsureChildren(scanner, *node);
        unsigned seen = 0;
        ScanNode* next = nullptr;
        for (ScanNode& child : node->children) {
            const std::u16string_view name = child.name != nullptr ? std::u16string_view(child.name) : u"";
            if (name == step.name && ++seen == step.ordinal) {
                next = &child;
                break;
            }
        }
        if (next == nullptr) return std::nullopt;
        node = next;
    }
    return FoundNode{&scanner, node};
}

}  // namespace tundrel
