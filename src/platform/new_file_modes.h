#pragma once
// The permissions asked for when the program creates files and folders; the umask narrows
// them, as for any new file.

#include <sys/types.h>

namespace tundrel::platform {

inline constexpr mode_t kNewFileMode = 0666;
inline constexpr mode_t kNewFolderMode = 0777;

}  // namespace tundrel::platform
