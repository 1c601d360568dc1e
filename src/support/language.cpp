#include "support/language.h"

#include <cstdlib>

namespace tundrel {

Language LanguageOfEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') continue;
        const std::string_view locale(value);
        const bool japanese = locale.starts_with("ja") && (locale.size() == 2 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@');
        return japanese ? Language::Japanese : Language::English;
    }
    return Language::English;
}

std::optional<Language> LanguageNamed(std::string_view word) {
    if (word == "ja") return Language::Japanese;
    if (word == "en") return Language::English;
    return std::nullopt;
}

}  // namespace tundrel
