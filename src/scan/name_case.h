#pragma once
// Names compared without regard to case, as the special-folder passes compare them.

#include <string>
#include <string_view>

namespace tundrel {

// Simple one-to-one upper-case mapping of every character.
std::u16string UpperCased(std::u16string_view text);

// The text after the last ".", upper-cased, when the dot is not the first character and
// something follows it; empty otherwise.
std::u16string UpperExtension(std::u16string_view name);

}  // namespace tundrel
