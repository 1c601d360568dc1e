#pragma once
// The label of a scanned volume, read from its boot sector and root as the partition list
// reads it: it names the volume's folder when several volumes are exported at once.

#include <string>

namespace tundrel {

class VolumeScanner;

std::string VolumeLabelOf(VolumeScanner& scanner);

}  // namespace tundrel
