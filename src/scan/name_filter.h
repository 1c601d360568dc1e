#pragma once
// Directory entries that are not worth listing: Office lock files and temporary files.

namespace tundrel {

// False for a missing or empty name, for "~$..." (at least 3 characters) and for "....tmp"
// (at least 5 characters, any case).
bool IsListedEntryName(const char16_t* name);

}  // namespace tundrel
