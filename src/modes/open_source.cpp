#include "modes/open_source.h"

#include <filesystem>

#include "disk/sector_source.h"
#include "platform/read_error.h"
#include "support/strings.h"

namespace tundrel {

std::optional<std::string> OpenReadableSource(SectorSource& source, const std::string& name) {
    if (!source.Open(ToUtf16(name))) {
        std::string reason = source.openError != 0 ? Formatted(StringId::SourceOpenFailed, name.c_str(),
                                                               platform::ErrorText(source.openError).c_str())
                                                   : Formatted(StringId::CannotOpenSource, name.c_str());
        // A bare name is a disk or partition; an image file in the current folder needs a path.
        std::error_code ec;
        if (name.find('/') == std::string::npos && std::filesystem::is_regular_file(name, ec)) {
            reason += Formatted(StringId::ImageInThisFolderHint, name.c_str());
        }
        return reason;
    }
    if (source.totalSectors == 0) return Formatted(StringId::SourceHasNoSectors, name.c_str());
    return std::nullopt;
}

}  // namespace tundrel
