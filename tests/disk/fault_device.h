#pragma once
// Simulated disks for the sector source's tests: in memory, and able to fail reads with a
// chosen error, be pulled out and plugged back in, or be swapped for another disk.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/device.h"

namespace tundrel::test {

struct FaultDisk {
    std::vector<std::uint8_t> bytes;
    platform::SourceKind kind = platform::SourceKind::Disk;
    platform::DeviceIdentity identity;
    std::uint32_t bytesPerSector = 512;
    bool geometryKnown = true;
};

// The disks of a simulated machine, by device path. Devices opened through Opener() keep
// working until their disk is pulled; plugging a disk back in does not revive them, as a
// reconnected USB disk needs a new open.
class FaultMachine {
public:
    FaultMachine();

    void Plug(const std::string& path, FaultDisk disk);
    // Reads of devices opened before fail with `error`; opening the path fails with ENOENT.
    void Pull(const std::string& path, int error);
    // Reads of the plugged disk fail with `error` while it is non-zero; the disk stays.
    void FailReads(const std::string& path, int error);
    // Called before every read of any device, e.g. to set a stop word from "another thread".
    void OnRead(std::function<void()> hook);

    platform::DeviceOpener Opener();
    int ReadCount() const;
    const std::vector<std::string>& OpenedPaths() const;

private:
    struct Slot;
    struct State;
    class SimulatedDevice;
    std::shared_ptr<State> state_;
};

}  // namespace tundrel::test
