#include "fault_device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/read_error.h"

namespace tundrel::test {

struct FaultMachine::Slot {
    FaultDisk disk;
    unsigned generation = 0;  // counts plug-ins: a device opened before is a stale handle
    bool plugged = false;
    int pullError = 0;
    int readError = 0;
};

struct FaultMachine::State {
    std::map<std::string, Slot> slots;
    std::function<void()> onRead;
    int reads = 0;
    std::vector<std::string> openedPaths;
};

class FaultMachine::SimulatedDevice final : public platform::Device {
public:
    SimulatedDevice(std::shared_ptr<State> state, std::string path, unsigned generation)
        : state_(std::move(state)), path_(std::move(path)), generation_(generation) {}

    platform::SourceKind Kind() const override { return Current().disk.kind; }

    platform::ReadStatus Read(std::span<std::uint8_t> buffer, std::uint64_t byteOffset, int& error) override {
        ++state_->reads;
        if (state_->onRead) state_->onRead();
        std::fill(buffer.begin(), buffer.end(), 0);
        const Slot& slot = Current();
        if (!slot.plugged || slot.generation != generation_) {
            error = slot.pullError;
            return platform::ClassifyReadError(error, true);
        }
        if (slot.readError != 0) {
            error = slot.readError;
            return platform::ClassifyReadError(error, false);
        }
        const std::vector<std::uint8_t>& bytes = slot.disk.bytes;
        if (byteOffset >= bytes.size()) return platform::ReadStatus::Failed;
        const std::size_t available = std::min<std::uint64_t>(buffer.size(), bytes.size() - byteOffset);
        std::memcpy(buffer.data(), bytes.data() + byteOffset, available);
        return available == buffer.size() ? platform::ReadStatus::Ok : platform::ReadStatus::Failed;
    }

    std::optional<platform::DeviceGeometry> Geometry() override {
        const FaultDisk& disk = Current().disk;
        if (!disk.geometryKnown) return std::nullopt;
        return platform::DeviceGeometry{disk.bytesPerSector, disk.bytes.size(), 0};
    }

    platform::DeviceIdentity Identity() override { return Current().disk.identity; }

private:
    const Slot& Current() const { return state_->slots.at(path_); }

    std::shared_ptr<State> state_;
    std::string path_;
    unsigned generation_;
};

FaultMachine::FaultMachine() : state_(std::make_shared<State>()) {}

void FaultMachine::Plug(const std::string& path, FaultDisk disk) {
    Slot& slot = state_->slots[path];
    slot.disk = std::move(disk);
    slot.plugged = true;
    slot.readError = 0;
    ++slot.generation;
}

void FaultMachine::Pull(const std::string& path, int error) {
    Slot& slot = state_->slots.at(path);
    slot.plugged = false;
    slot.pullError = error;
}

void FaultMachine::FailReads(const std::string& path, int error) { state_->slots.at(path).readError = error; }

void FaultMachine::OnRead(std::function<void()> hook) { state_->onRead = std::move(hook); }

platform::DeviceOpener FaultMachine::Opener() {
    return [state = state_](const std::string& path, int& error) -> std::unique_ptr<platform::Device> {
        state->openedPaths.push_back(path);
        const auto found = state->slots.find(path);
        if (found == state->slots.end() || !found->second.plugged) {
            error = ENOENT;
            return nullptr;
        }
        return std::make_unique<SimulatedDevice>(state, path, found->second.generation);
    };
}

int FaultMachine::ReadCount() const { return state_->reads; }

const std::vector<std::string>& FaultMachine::OpenedPaths() const { return state_->openedPaths; }

}  // namespace tundrel::test
