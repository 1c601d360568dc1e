#pragma once
// A disk held in memory, for tests and fuzz targets: `bytes` sit at byte `offset` of a disk of
// `totalBytes` with zeros elsewhere. A read past the end fails with the rest zero-filled, as a
// device's does; every read's offset is noted when asked for.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "platform/device.h"

namespace tundrel::test {

class MemoryDevice final : public platform::Device {
public:
    explicit MemoryDevice(std::span<const std::uint8_t> bytes, std::uint64_t offset = 0,
                          std::optional<std::uint64_t> totalBytes = std::nullopt,
                          std::vector<std::uint64_t>* reads = nullptr)
        : bytes_(bytes), offset_(offset), totalBytes_(totalBytes.value_or(offset + bytes.size())), reads_(reads) {}

    platform::SourceKind Kind() const override { return platform::SourceKind::Image; }

    platform::ReadStatus Read(std::span<std::uint8_t> buffer, std::uint64_t byteOffset, int& error) override {
        if (reads_ != nullptr) reads_->push_back(byteOffset);
        std::fill(buffer.begin(), buffer.end(), 0);
        error = 0;
        const std::uint64_t from = std::max(byteOffset, offset_);
        const std::uint64_t to = std::min({byteOffset + buffer.size(), offset_ + bytes_.size(), totalBytes_});
        if (from < to) std::memcpy(buffer.data() + (from - byteOffset), bytes_.data() + (from - offset_), to - from);
        return byteOffset + buffer.size() <= totalBytes_ ? platform::ReadStatus::Ok : platform::ReadStatus::Failed;
    }

    std::optional<platform::DeviceGeometry> Geometry() override { return platform::DeviceGeometry{512, totalBytes_, 0}; }
    platform::DeviceIdentity Identity() override { return {}; }

private:
    std::span<const std::uint8_t> bytes_;
    std::uint64_t offset_;
    std::uint64_t totalBytes_;
    std::vector<std::uint64_t>* reads_;
};

}  // namespace tundrel::test
