#pragma once
// Naming the files that check-disk saved by what they hold: FILE0001.CHK holding a JPEG
// becomes JPG_FILE0001.CHK.JPG, and one holding a FAT directory becomes that directory.

#include <cstdint>

namespace tundrel {

class ScanProgress;
class VolumeScanner;

// Runs over the lost, deleted and scanned roots, and the directory tree too unless `taskMode`
// is the deleted-file recovery (which moved its check-disk files to the lost root). Files of
// 64 bytes or less, and files whose content is of no known type, keep their names.
void NameCheckDiskFilesByContent(VolumeScanner& scanner, ScanProgress& progress, std::uint32_t taskMode);

}  // namespace tundrel
