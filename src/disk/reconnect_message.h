#pragma once
// The texts shown when a source disappears in the middle of a scan.

#include <cstdint>
#include <string>
#include <string_view>

namespace tundrel {

// Asks the user to check the source and reconnect it; a volume is checked by its drive
// name, a disk or image by the disk itself.
std::u16string ReconnectMessage(bool isVolume, int error, std::u16string_view sourceName);

// The device now answering to the name is not the one scanned; sizes count 512-byte sectors.
std::u16string DifferentDiskMessage(std::u16string_view sourceName, std::uint64_t recordedSectors,
                                    std::uint64_t foundSectors);

}  // namespace tundrel
