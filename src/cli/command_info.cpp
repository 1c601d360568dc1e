#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "disk/sector_source.h"
#include "modes/open_source.h"
#include "support/display_format.h"
#include "support/text.h"

namespace tundrel::cli {
namespace {

std::string_view KindWord(platform::SourceKind kind) {
    switch (kind) {
        case platform::SourceKind::Disk: return "disk";
        case platform::SourceKind::Volume: return "volume";
        case platform::SourceKind::Image: return "image";
    }
    return "image";
}

}  // namespace

int RunInfo(const InfoOptions& options, std::ostream& out, std::ostream& err) {
    SectorSource source;
    if (const auto error = OpenReadableSource(source, options.source)) {
        err << "tundrel: " << *error << '\n';
        return kExitSourceError;
    }
    if (options.json) {
        const nlohmann::json facts = {
            {"name", ToUtf8(source.name)},
            {"path", source.path},
            {"kind", KindWord(source.kind)},
            {"model", ToUtf8(source.model)},
            {"serial", ToUtf8(source.serial)},
            {"totalSectors", source.totalSectors},
            {"bytesPerSector", source.bytesPerSector},
            {"sectorsPerCylinder", source.sectorsPerCylinder},
        };
        out << facts.dump() << '\n';
        return kExitSuccess;
    }
    out << "name:               " << ToUtf8(source.name) << '\n'
        << "path:               " << source.path << '\n'
        << "kind:               " << KindWord(source.kind) << '\n'
        << "model:              " << ToUtf8(source.model) << '\n'
        << "serial:             " << ToUtf8(source.serial) << '\n'
        << "totalSectors:       " << source.totalSectors << " (" << FormatSize(source.totalSectors * source.bytesPerSector) << ")\n"
        << "bytesPerSector:     " << source.bytesPerSector << '\n'
        << "sectorsPerCylinder: " << source.sectorsPerCylinder << '\n';
    return kExitSuccess;
}

}  // namespace tundrel::cli
