#include "modes/open_source.h"

#include "disk/sector_source.h"
#include "support/text.h"

namespace tundrel {

std::optional<std::string> OpenReadableSource(SectorSource& source, const std::string& name) {
    if (!source.Open(ToUtf16(name))) return "cannot open source '" + name + "'";
    if (source.totalSectors == 0) return "source '" + name + "' has no sectors";
    return std::nullopt;
}

}  // namespace tundrel
