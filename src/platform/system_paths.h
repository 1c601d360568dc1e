#pragma once
// Roots of the kernel's information trees. Tests point them at fixture trees through the
// environment variables TUNDREL_SYSFS_ROOT and TUNDREL_PROC_ROOT; nothing else reads those.

#include <string>

namespace tundrel::platform {

std::string SysfsRoot();  // "/sys" unless redirected
std::string ProcRoot();   // "/proc" unless redirected

}  // namespace tundrel::platform
