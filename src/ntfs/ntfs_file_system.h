#pragma once
// NTFS as the partition and volume layers see it.

#include "disk/file_system_entry.h"

namespace tundrel {

extern const FileSystemEntry kNtfsFileSystem;

}  // namespace tundrel
