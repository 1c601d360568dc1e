#include "scan/restore_point_folder.h"

#include <string>
#include <unordered_set>

#include "support/text.h"

namespace tundrel {
namespace {

const std::unordered_set<std::u16string>& RestorePointNames() {
    static const std::unordered_set<std::u16string> names = [] {
        std::unordered_set<std::u16string> set{u"#hange.log", u"RestorePointSize"};
        for (int n = 1; n <= 12; ++n) set.insert(ToUtf16("change.log." + std::to_string(n)));
        return set;
    }();
    return names;
}

}  // namespace

bool IsRestorePointFolder(const ScanNode& directory) {
    const auto& names = RestorePointNames();
    std::size_t counted = 0;
    for (auto child = directory.children.rbegin(); child != directory.children.rend(); ++child) {
        if (child->name == nullptr || !names.contains(child->name)) break;
        ++counted;
    }
    return counted > 0 && counted >= directory.children.size() / 2;
}

}  // namespace tundrel
