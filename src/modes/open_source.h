#pragma once
// Opening a source for any command, with one answer for a source that cannot serve.

#include <optional>
#include <string>

namespace tundrel {

class SectorSource;

// Opens the named source read-only; the reason it cannot be read, in one line, when it did not
// open or holds no sector (an empty image, a device whose size could not be read).
std::optional<std::string> OpenReadableSource(SectorSource& source, const std::string& name);

}  // namespace tundrel
