#include "fat/deleted_names.h"

#include <string_view>
#include <utility>

namespace tundrel {
namespace {

bool SameName(const ScanNode& a, const ScanNode& b) {
    return a.name != nullptr && b.name != nullptr && std::u16string_view(a.name) == std::u16string_view(b.name);
}

bool Replaces(const ScanNode& candidate, const ScanNode& best) {
    if (candidate.modifiedDate > best.modifiedDate) return true;
    if (candidate.modifiedDate == best.modifiedDate && candidate.modifiedTime > best.modifiedTime) return true;
    if (!candidate.Has(kFlagRecordFree) && best.Has(kFlagRecordFree)) return true;
    return candidate.size != 0 && best.size == 0;
}

}  // namespace

void ResolveDeletedNames(ScanNode& directory) {
    auto& children = directory.children;
    for (std::size_t i = 0; i < children.size(); ++i) {
        ScanNode& child = children[i];
        if (child.IsDirectory()) {
            ResolveDeletedNames(child);
            continue;
        }
        if (child.name == nullptr) continue;
        std::size_t best = i;
        for (std::size_t next = i + 1; next < children.size() && children[best].Has(kFlagDeleted); ++next) {
            if (!SameName(children[next], child)) break;
            if (Replaces(children[next], children[best])) best = next;
        }
        if (best != i) std::swap(children[i], children[best]);
    }
}

}  // namespace tundrel
