#pragma once
// One opened source (whole disk, partition or image file), always read-only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tundrel::platform {

enum class SourceKind { Disk, Volume, Image };

enum class ReadStatus {
    Ok,
    Failed,      // an ordinary read error, or a short read
    DeviceGone,  // the device went away (unplugged, removed); a reconnect may bring it back
};

struct DeviceGeometry {
    std::uint32_t bytesPerSector = 512;     // the device's logical sector size, 0 when unknown
    std::uint64_t totalBytes = 0;
    std::uint32_t sectorsPerCylinder = 0;   // heads x sectors per track, 0 when unknown
};

struct DeviceIdentity {
    std::string model;   // UTF-8, trimmed at both ends
    std::string serial;  // UTF-8, trimmed at both ends
};

class Device {
public:
    virtual ~Device() = default;

    virtual SourceKind Kind() const = 0;
    // Reads buffer.size() bytes at byteOffset. Whatever could not be read is zero-filled, so
    // no stale bytes are ever handed on. `error` receives the system's error number on failure.
    virtual ReadStatus Read(std::span<std::uint8_t> buffer, std::uint64_t byteOffset, int& error) = 0;
    virtual std::optional<DeviceGeometry> Geometry() = 0;
    // Model and serial of the device; empty for image files.
    virtual DeviceIdentity Identity() = 0;
};

// Opens a resolved path read-only; null with `error` set when it cannot be opened.
using DeviceOpener = std::function<std::unique_ptr<Device>(const std::string& path, int& error)>;

// The real opener: block devices and regular files.
std::unique_ptr<Device> OpenDevice(const std::string& path, int& error);

}  // namespace tundrel::platform
