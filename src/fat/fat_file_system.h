#pragma once
// FAT12, FAT16 and FAT32 as the partition and volume layers see them.

#include "disk/file_system_entry.h"

namespace tundrel {

extern const FileSystemEntry kFatFileSystem;

}  // namespace tundrel
