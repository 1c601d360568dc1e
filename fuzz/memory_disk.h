#pragma once
// A disk held in memory for the fuzz targets: a read past its end fails with the rest
// zero-filled, as a device does.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/device.h"

namespace tundrel::fuzz {

class MemoryDisk final : public platform::Device {
public:
    explicit MemoryDisk(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    platform::SourceKind Kind() const override { return platform::SourceKind::Image; }

    platform::ReadStatus Read(std::span<std::uint8_t> buffer, std::uint64_t byteOffset, int& error) override {
        std::fill(buffer.begin(), buffer.end(), 0);
        error = 0;
        if (byteOffset >= bytes_.size()) return platform::ReadStatus::Failed;
        const std::size_t available = std::min<std::uint64_t>(buffer.size(), bytes_.size() - byteOffset);
        std::memcpy(buffer.data(), bytes_.data() + byteOffset, available);
        return available == buffer.size() ? platform::ReadStatus::Ok : platform::ReadStatus::Failed;
    }

    std::optional<platform::DeviceGeometry> Geometry() override {
        return platform::DeviceGeometry{512, bytes_.size(), 0};
    }

    platform::DeviceIdentity Identity() override { return {}; }

private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace tundrel::fuzz
