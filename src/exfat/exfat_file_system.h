#pragma once
// exFAT as the partition and volume layers see it.

#include "disk/file_system_entry.h"

namespace tundrel {

extern const FileSystemEntry kExFatFileSystem;

}  // namespace tundrel
