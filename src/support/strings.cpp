#include "support/strings.h"

#include <algorithm>
#include <atomic>
#include <iterator>

#include "support/language.h"
#include "support/text.h"

namespace tundrel {
namespace {

struct CatalogueEntry {
    StringId id;
    StringId rewords;  // the id whose text this entry words for the command line; else its own
    std::string_view japanese;
    std::string_view english;
};

constexpr CatalogueEntry kCatalogue[] = {
#include "string_tables.inc"
};

enum class LanguageState : unsigned char { FromEnvironment, Japanese, English };

std::atomic<LanguageState> gLanguage{LanguageState::FromEnvironment};
std::atomic<Wording> gWording{Wording::Wizard};

LanguageState StateOf(Language language) {
    return language == Language::Japanese ? LanguageState::Japanese : LanguageState::English;
}

StringId Worded(StringId id) {
    if (gWording.load(std::memory_order_relaxed) != Wording::CommandLine) return id;
    // The catalogue's command-line wording of a text that points at the wizard's buttons or at
    // tools of another system.
    const auto* found = std::find_if(std::begin(kCatalogue), std::end(kCatalogue), [id](const CatalogueEntry& entry) {
        return entry.rewords == id && entry.id != id;
    });
    return found == std::end(kCatalogue) ? id : found->id;
}

}  // namespace

Language CurrentLanguage() {
    LanguageState state = gLanguage.load(std::memory_order_relaxed);
    if (state == LanguageState::FromEnvironment) {
        state = StateOf(LanguageOfEnvironment());
        LanguageState expected = LanguageState::FromEnvironment;
        // A language set meanwhile wins over the environment's.
        if (!gLanguage.compare_exchange_strong(expected, state)) state = expected;
    }
    return state == LanguageState::Japanese ? Language::Japanese : Language::English;
}

void SetLanguage(Language language) { gLanguage = StateOf(language); }

void SetWording(Wording wording) { gWording = wording; }

std::string_view CatalogueText(StringId id, Language language) {
    const auto* found = std::find_if(std::begin(kCatalogue), std::end(kCatalogue),
                                     [id](const CatalogueEntry& entry) { return entry.id == id; });
    if (found == std::end(kCatalogue)) return {};
    return language == Language::Japanese ? found->japanese : found->english;
}

std::string_view Text(StringId id) { return CatalogueText(Worded(id), CurrentLanguage()); }

std::u16string Text16(StringId id) { return ToUtf16(Text(id)); }

}  // namespace tundrel
