#include "platform/storage_chain.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <system_error>

#include "platform/sysfs_number.h"

namespace tundrel::platform {
namespace {

namespace fs = std::filesystem;

// Stacks of device-mapper, RAID and loop devices are shallow; this only bounds a loop in a
// damaged or hostile sysfs tree.
constexpr int kMaxDepth = 16;
constexpr std::uint64_t kSectorBytes = 512;

struct Area {
    std::uint64_t start = 0;
    std::uint64_t count = 0;
    bool exact = true;
};

std::optional<StorageLayer> FileLayer(const std::string& path, Area area) {
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    StorageLayer layer;
    layer.kind = LayerKind::File;
    layer.device = {::major(info.st_dev), ::minor(info.st_dev)};
    layer.inode = info.st_ino;
    layer.start = area.start;
    layer.count = area.count;
    layer.exact = area.exact;
    return layer;
}

std::optional<DeviceNumber> BlockDeviceOf(const std::string& path) {
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return std::nullopt;
    return DeviceNumber{::major(info.st_rdev), ::minor(info.st_rdev)};
}

std::string WithoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
    return text;
}

void Descend(const fs::path& entry, DeviceNumber device, Area area, int depth, StorageChain& chain) {
    if (depth > kMaxDepth) return;
    chain.push_back({LayerKind::BlockDevice, device, 0, area.start, area.count, area.exact});

    std::error_code ec;
    if (fs::exists(entry / "partition", ec)) {
        const fs::path disk = entry.parent_path();
        const std::optional<DeviceNumber> diskNumber = ReadSysfsDeviceNumber(disk);
        const std::optional<std::uint64_t> start = ReadSysfsNumber(entry / "start");
        if (diskNumber && start) {
            Descend(disk, *diskNumber, {area.start + *start, area.count, area.exact}, depth + 1, chain);
        }
        return;
    }
    if (const std::optional<std::string> backing = ReadSysfsAttribute(entry / "loop" / "backing_file")) {
        const std::uint64_t offset = ReadSysfsNumber(entry / "loop" / "offset").value_or(0) / kSectorBytes;
        const Area onBacking{offset + area.start, area.count, area.exact};
        const std::string backingPath = WithoutLineEnd(*backing);
        if (auto layer = FileLayer(backingPath, onBacking)) {
            chain.push_back(*layer);
        } else if (const std::optional<DeviceNumber> backingDevice = BlockDeviceOf(backingPath)) {
            if (const std::optional<fs::path> backingEntry = BlockEntryOf(*backingDevice)) {
                Descend(*backingEntry, *backingDevice, onBacking, depth + 1, chain);
            }
        }
        return;
    }
    for (fs::directory_iterator it(entry / "slaves", ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path slave = fs::canonical(it->path(), ec);
        if (ec) continue;
        const std::optional<DeviceNumber> slaveNumber = ReadSysfsDeviceNumber(slave);
        if (!slaveNumber) continue;
        const std::uint64_t size = ReadSysfsNumber(slave / "size").value_or(0);
        Descend(slave, *slaveNumber, {0, size, false}, depth + 1, chain);
    }
}

}  // namespace

bool SameLayer(const StorageLayer& a, const StorageLayer& b) {
    return a.kind == b.kind && a.device.major == b.device.major && a.device.minor == b.device.minor &&
           a.inode == b.inode;
}

StorageChain ChainOfBlockDevice(DeviceNumber device) {
    StorageChain chain;
    const std::optional<fs::path> entry = BlockEntryOf(device);
    if (!entry) return chain;
    Descend(*entry, device, {0, ReadSysfsNumber(*entry / "size").value_or(0), true}, 0, chain);
    return chain;
}

StorageChain ChainOfPath(const std::string& path) {
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0) return {};
    if (const std::optional<DeviceNumber> device = BlockDeviceOf(path)) return ChainOfBlockDevice(*device);
    const auto layer = FileLayer(path, {0, static_cast<std::uint64_t>(info.st_size) / kSectorBytes, true});
    return layer ? StorageChain{*layer} : StorageChain{};
}

}  // namespace tundrel::platform
