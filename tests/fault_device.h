#pragma once
// Simulated disks of a simulated machine: in memory, and able to fail reads with a
// chosen error, be pulled out and plugged back in, or be swapped for another disk.

#include <cerrno>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "memory_device.h"
#include "platform/read_error.h"

namespace tundrel::test {

struct FaultDisk {
    explicit FaultDisk(std::vector<std::uint8_t> data = {},
                       platform::SourceKind sourceKind = platform::SourceKind::Disk)
        : bytes(std::move(data)), kind(sourceKind) {}

    std::vector<std::uint8_t> bytes;
    platform::SourceKind kind = platform::SourceKind::Disk;
    platform::DeviceIdentity identity;
    std::uint32_t bytesPerSector = 512;
    bool geometryKnown = true;
};

// The disks of a simulated machine, by device path. Devices opened through Opener() keep
// working until their disk is pulled; plugging a disk back in does not revive them, as a
// reconnected USB disk needs a new open. The machine outlives the devices it opens.
class FaultMachine {
public:
    void Plug(const std::string& path, FaultDisk disk) {
        Pull(path, 0);
        slots_[path] = std::make_shared<Slot>(Slot{std::move(disk)});
    }
    // Reads of devices opened before fail with `error`; opening the path fails with ENOENT.
    void Pull(const std::string& path, int error) {
        const auto found = slots_.find(path);
        if (found == slots_.end()) return;
        found->second->pulled = true;
        found->second->error = error;
        slots_.erase(found);
    }
    // Reads of the plugged disk fail with `error` while it is non-zero; the disk stays.
    void FailReads(const std::string& path, int error) { slots_.at(path)->error = error; }
    // Called before every read of any device, e.g. to set a stop word from "another thread".
    void OnRead(std::function<void()> hook) { onRead_ = std::move(hook); }

    platform::DeviceOpener Opener() {
        return [this](const std::string& path, int& error) -> std::unique_ptr<platform::Device> {
            openedPaths_.push_back(path);
            const auto found = slots_.find(path);
            if (found != slots_.end()) return std::make_unique<SimulatedDevice>(*this, found->second);
            error = ENOENT;
            return nullptr;
        };
    }
    int ReadCount() const { return reads_; }
    const std::vector<std::string>& OpenedPaths() const { return openedPaths_; }

private:
    struct Slot {
        FaultDisk disk;
        bool pulled = false;
        int error = 0;
    };

    class SimulatedDevice final : public platform::Device {
    public:
        SimulatedDevice(FaultMachine& machine, std::shared_ptr<Slot> slot)
            : machine_(machine), slot_(std::move(slot)) {}

        platform::SourceKind Kind() const override { return slot_->disk.kind; }
        platform::ReadStatus Read(std::span<std::uint8_t> buffer, std::uint64_t byteOffset, int& error) override {
            ++machine_.reads_;
            if (machine_.onRead_) machine_.onRead_();
            if (slot_->pulled || slot_->error != 0) {
                std::fill(buffer.begin(), buffer.end(), 0);
                error = slot_->error;
                return platform::ClassifyReadError(error, slot_->pulled);
            }
            return MemoryDevice(slot_->disk.bytes).Read(buffer, byteOffset, error);
        }
        std::optional<platform::DeviceGeometry> Geometry() override {
            if (!slot_->disk.geometryKnown) return std::nullopt;
            return platform::DeviceGeometry{slot_->disk.bytesPerSector, slot_->disk.bytes.size(), 0};
        }
        platform::DeviceIdentity Identity() override { return slot_->disk.identity; }

    private:
        FaultMachine& machine_;
        std::shared_ptr<Slot> slot_;
    };

    std::map<std::string, std::shared_ptr<Slot>> slots_;
    std::function<void()> onRead_;
    int reads_ = 0;
    std::vector<std::string> openedPaths_;
};

}  // namespace tundrel::test
