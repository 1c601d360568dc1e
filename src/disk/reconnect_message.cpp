#include "disk/reconnect_message.h"

#include "disk/volume_info.h"
#include "platform/read_error.h"
#include "support/display_format.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
std::u16string ReconnectMessage(bool isVolume, int error, std::u16string_view sourceName) {
    const std::string format(Text(isVolume ? StringId::ReconnectVolumeMessage : StringId::ReconnectDiskMessage));
    return ToUtf16(FormatText(format.c_str(), static_cast<unsigned>(error), platform::ErrorText(error).c_str(),
                              ToUtf8(sourceName).c_str()));
}

std::u16string DifferentDiskMessage(std::u16string_view sourceName, std::uint64_t recordedSectors,
                                    std::uint64_t foundSectors) {
    const std::string format(Text(StringId::ReconnectDifferentDisk));
    return ToUtf16(FormatText(format.c_str(), ToUtf8(sourceName).c_str(),
                              FormatSize(recordedSectors * kSectorBytes).c_str(),
                              FormatSize(foundSectors * kSectorBytes).c_str()));
}

}  // namespace tundrel
