#include "platform/read_error.h"

#include <cerrno>
#include <cstring>

namespace tundrel::platform {

ReadStatus ClassifyReadError(int error, bool deviceEntryVanished) {
    switch (error) {
        case ENODEV:
        case ENXIO:
        case ENOENT:
            return ReadStatus::DeviceGone;
        case EIO:
            return deviceEntryVanished ? ReadStatus::DeviceGone : ReadStatus::Failed;
        default:
            return ReadStatus::Failed;
    }
}

std::string ErrorText(int error) {
    // strerror() shares one buffer between threads; the reentrant form does not.
    char buffer[256] = {};
    return ::strerror_r(error, buffer, sizeof buffer);
}

}  // namespace tundrel::platform
