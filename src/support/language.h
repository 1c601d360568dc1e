#pragma once
// The language of the user's environment, read as Linux programs read it: from the variables
// themselves, so that a machine without installed locales still answers in the right one.

#include <optional>
#include <string_view>

#include "support/strings.h"

namespace tundrel {

// Japanese when the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty names
// "ja" ("ja", "ja_JP.UTF-8"); English otherwise, or when none is set.
Language LanguageOfEnvironment();

// "ja" or "en", as a front end's option gives it.
std::optional<Language> LanguageNamed(std::string_view word);

}  // namespace tundrel
