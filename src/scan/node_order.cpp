#include "scan/node_order.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "scan/node_links.h"

namespace tundrel {
namespace {

// The C and POSIX locales map to ICU's "en_US_POSIX", whose collation orders code points
// and tells cases apart at every strength; names then sort by the language-neutral order.
icu::Locale CollationLocale() {
    const icu::Locale& current = icu::Locale::getDefault();
    if (std::string_view(current.getVariant()) == "POSIX") return icu::Locale::getRoot();
    return current;
}

// One collator for the process's locale, made once; comparing names ignores case
// (secondary strength) but still tells accents apart.
const icu::Collator* SharedCollator() {
    static const std::unique_ptr<icu::Collator> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> made(
            icu::Collator::createInstance(CollationLocale(), status));
        if (U_FAILURE(status) || !made) return std::unique_ptr<icu::Collator>();
        made->setStrength(icu::Collator::SECONDARY);
        return made;
    }();
    return collator.get();
}

// Each thread compares with its own clone, so sorting on the scan thread and on the user
// interface thread never share collator state.
icu::Collator* ThreadCollator() {
    thread_local const std::unique_ptr<icu::Collator> clone = [] {
        const icu::Collator* shared = SharedCollator();
        return std::unique_ptr<icu::Collator>(shared ? shared->clone() : nullptr);
    }();
    return clone.get();
}

int Sign(int value) { return (value > 0) - (value < 0); }

// "Dir_" folders hold lost and deleted data, "Cluster_" ones the later clusters of deleted
// FAT folders.
constexpr std::u16string_view kNumberedPrefixes[] = {u"Dir_", u"Cluster_"};

// The prefix of a numbered folder; empty for any other node.
std::u16string_view NumberedPrefix(const ScanNode& node) {
    if (!node.IsDirectory() || node.name == nullptr) return {};
    for (const std::u16string_view prefix : kNumberedPrefixes) {
        if (std::u16string_view(node.name).starts_with(prefix)) return prefix;
    }
    return {};
}

// The run of digits right after the prefix of a numbered folder.
std::u16string_view FolderNumber(const ScanNode& numberedFolder) {
    const std::u16string_view rest =
        std::u16string_view(numberedFolder.name).substr(NumberedPrefix(numberedFolder).size());
    const auto digitsEnd =
        std::find_if(rest.begin(), rest.end(), [](char16_t c) { return c < u'0' || c > u'9'; });
    return rest.substr(0, static_cast<std::size_t>(digitsEnd - rest.begin()));
}

// Digit strings compared as numbers of any length: the shorter one is left-padded with '0'.
int CompareDigitStrings(std::u16string_view left, std::u16string_view right) {
    const std::size_t width = std::max(left.size(), right.size());
    for (std::size_t i = 0; i < width; ++i) {
        const char16_t l = i + left.size() < width ? u'0' : left[i + left.size() - width];
        const char16_t r = i + right.size() < width ? u'0' : right[i + right.size() - width];
        if (l != r) return l < r ? -1 : 1;
    }
    return 0;
}

int CompareByDefault(const ScanNode& left, const ScanNode& right) {
    if (left.IsDirectory() != right.IsDirectory()) return left.IsDirectory() ? -1 : 1;
    const int byName = CompareNames(left.name, right.name);
    if (byName != 0) return byName;
    if (left.IsDirectory()) {
        // Of two directories with the same name, the fuller one is the likelier original.
        if (left.childCount() != right.childCount()) {
            return left.childCount() > right.childCount() ? -1 : 1;
        }
        return 0;
    }
    if (left.Has(kFlagDeleted) != right.Has(kFlagDeleted)) {
        return left.Has(kFlagDeleted) ? 1 : -1;
    }
    return 0;
}

}  // namespace

int CompareNames(const char16_t* left, const char16_t* right) {
    if (left == nullptr || right == nullptr) return 0;
    const auto leftLength = static_cast<int32_t>(std::char_traits<char16_t>::length(left));
    const auto rightLength = static_cast<int32_t>(std::char_traits<char16_t>::length(right));
    if (icu::Collator* collator = ThreadCollator()) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult result =
            collator->compare(left, leftLength, right, rightLength, status);
        if (U_SUCCESS(status)) return static_cast<int>(result);
    }
    // Without locale data, fall back to comparing the case-folded strings.
    UErrorCode status = U_ZERO_ERROR;
    return Sign(
        u_strCaseCompare(left, leftLength, right, rightLength, U_FOLD_CASE_DEFAULT, &status));
}

int CompareNodes(const ScanNode& left, const ScanNode& right, ChildOrder order) {
    if (order == ChildOrder::NumberedFolders && !NumberedPrefix(left).empty() &&
        NumberedPrefix(left) == NumberedPrefix(right)) {
        const int byNumber = CompareDigitStrings(FolderNumber(left), FolderNumber(right));
        if (byNumber != 0) return byNumber;
    }
    return CompareByDefault(left, right);
}

void SortChildren(ScanNode& directory, ChildOrder order) {
    if (directory.children.size() < 2) return;
    std::stable_sort(directory.children.begin(), directory.children.end(),
                     [order](const ScanNode& left, const ScanNode& right) {
                         return CompareNodes(left, right, order) < 0;
                     });
    RelinkMovedChildren(directory);
}

}  // namespace tundrel
