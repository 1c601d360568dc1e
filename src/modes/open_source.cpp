#include "modes/open_source.h"

#include <filesystem>

#include "disk/sector_source.h"
#include "platform/read_error.h"
#include "support/text.h"

namespace tundrel {

std::optional<std::string> OpenReadableSource(SectorSource& source, const std::string& name) {
    if (!source.Open(ToUtf16(name))) {
        std::string reason = "cannot open source '" + name + "'";
        if (source.openError != 0) reason += ": " + platform::ErrorText(source.openError);
        // A bare name is a disk or partition; an image file in the current folder needs a path.
        std::error_code ec;
        if (name.find('/') == std::string::npos && std::filesystem::is_regular_file(name, ec)) {
            reason += " (for the image file in this folder, write './" + name + "')";
        }
        return reason;
    }
    if (source.totalSectors == 0) return "source '" + name + "' has no sectors";
    return std::nullopt;
}

}  // namespace tundrel
