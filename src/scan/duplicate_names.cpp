#include "scan/duplicate_names.h"

#include <optional>
#include <string>
#include <unordered_set>

#include "scan/name_case.h"
#include "scan/name_pool.h"
#include "support/text.h"

namespace tundrel {
namespace {

std::u16string UpperName(const char16_t* name) { return name != nullptr ? UpperCased(name) : std::u16string(); }

std::u16string NumberedName(std::u16string_view name, unsigned number) {
    const std::size_t dot = name.rfind(u'.');
    const std::u16string_view base = dot == std::u16string_view::npos ? name : name.substr(0, dot);
    const std::u16string_view extension = dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot);
    std::u16string numbered(base);
    numbered += u"_deleted_";
    numbered += ToUtf16(std::to_string(number));
    numbered += extension;
    return numbered;
}

}  // namespace

void RenameDuplicates(ScanNode& directory, NamePool& names) {
    std::optional<std::unordered_set<std::u16string>> taken;  // every child's name, upper-cased
    std::u16string previous;  // the original name of the child before, upper-cased
    for (std::size_t i = 0; i < directory.children.size(); ++i) {
        ScanNode& child = directory.children[i];
        std::u16string upper = UpperName(child.name);
        const bool duplicate = i > 0 && !child.IsDirectory() && upper == previous;
        previous = std::move(upper);
        if (!duplicate) continue;
        if (!taken) {
            taken.emplace();
            for (const ScanNode& other : directory.children) taken->insert(UpperName(other.name));
        }
        // Each try takes a name that is taken already, so the loop ends within the child count.
        for (unsigned n = 1;; ++n) {
            const std::u16string candidate = NumberedName(child.name, n);
            if (taken->insert(UpperCased(candidate)).second) {
                child.name = names.Add(candidate);
                break;
            }
        }
    }
}

}  // namespace tundrel
