#include "platform/system_paths.h"

#include <cstdlib>

namespace tundrel::platform {
namespace {

std::string RootFromEnvironment(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') return fallback;
    return value;
}

}  // namespace

std::string SysfsRoot() { return RootFromEnvironment("TUNDREL_SYSFS_ROOT", "/sys"); }

std::string ProcRoot() { return RootFromEnvironment("TUNDREL_PROC_ROOT", "/proc"); }

}  // namespace tundrel::platform
