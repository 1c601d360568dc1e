#include "platform/device.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/block_identity.h"
#include "platform/read_error.h"
#include "platform/sysfs_block.h"

namespace tundrel::platform {
namespace {

// The smallest cylinder a partition table is aligned to: 255 heads x 63 sectors.
constexpr std::uint32_t kMinSectorsPerCylinder = 16065;
// Images up to this size were laid out with 63-sector cylinders, larger ones with full ones.
constexpr std::uint64_t kSmallImageBytes = 0x240000000ULL;
constexpr std::uint32_t kSmallImageSectorsPerCylinder = 63;
constexpr std::uint32_t kImageBytesPerSector = 512;

DeviceNumber NumberOf(dev_t device) { return {::major(device), ::minor(device)}; }

// A device or file opened read-only; block devices and image files differ only in where
// their geometry and identity come from.
class OpenedDevice final : public Device {
public:
    OpenedDevice(int fd, SourceKind kind, bool isBlockDevice, const struct stat& info)
        : fd_(fd),
          kind_(kind),
          isBlockDevice_(isBlockDevice),
          // For an image file, the device holding the file system it lives on.
          entryNumber_(NumberOf(isBlockDevice ? info.st_rdev : info.st_dev)) {}

    ~OpenedDevice() override { ::close(fd_); }

    SourceKind Kind() const override { return kind_; }

    ReadStatus Read(std::span<std::uint8_t> buffer, std::uint64_t byteOffset, int& error) override {
        std::size_t done = 0;
        while (done < buffer.size()) {
            const ssize_t got = ::pread(fd_, buffer.data() + done, buffer.size() - done,
                                        static_cast<off_t>(byteOffset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                error = got < 0 ? errno : 0;
                std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(done), buffer.end(), 0);
                if (got == 0) return ReadStatus::Failed;  // the end came early
                return ClassifyReadError(error, EntryVanished());
            }
            done += static_cast<std::size_t>(got);
        }
        return ReadStatus::Ok;
    }

    std::optional<DeviceGeometry> Geometry() override {
        return isBlockDevice_ ? BlockGeometry() : ImageGeometry();
    }

    DeviceIdentity Identity() override {
        return isBlockDevice_ ? ReadBlockIdentity(entryNumber_) : DeviceIdentity{};
    }

private:
    std::optional<DeviceGeometry> BlockGeometry() const {
        DeviceGeometry geometry;
        std::uint64_t totalBytes = 0;
        if (::ioctl(fd_, BLKGETSIZE64, &totalBytes) != 0) return std::nullopt;
        geometry.totalBytes = totalBytes;
        int logicalSectorSize = 0;
        geometry.bytesPerSector = ::ioctl(fd_, BLKSSZGET, &logicalSectorSize) == 0 && logicalSectorSize > 0
                                      ? static_cast<std::uint32_t>(logicalSectorSize)
                                      : 0;
        struct hd_geometry chs = {};
        const std::uint32_t reported =
            ::ioctl(fd_, HDIO_GETGEO, &chs) == 0 ? std::uint32_t{chs.heads} * chs.sectors : 0;
        geometry.sectorsPerCylinder = std::max(reported, kMinSectorsPerCylinder);
        return geometry;
    }

    std::optional<DeviceGeometry> ImageGeometry() const {
        struct stat info = {};
        if (::fstat(fd_, &info) != 0 || info.st_size < 0) return std::nullopt;
        DeviceGeometry geometry;
        geometry.bytesPerSector = kImageBytesPerSector;
        geometry.totalBytes = static_cast<std::uint64_t>(info.st_size);
        geometry.sectorsPerCylinder =
            geometry.totalBytes <= kSmallImageBytes ? kSmallImageSectorsPerCylinder : kMinSectorsPerCylinder;
        return geometry;
    }

    // A file system without a backing block device (major 0) has no entry that could vanish.
    bool EntryVanished() const { return entryNumber_.major != 0 && !BlockEntryOf(entryNumber_); }

    int fd_;
    SourceKind kind_;
    bool isBlockDevice_;
    DeviceNumber entryNumber_;
};

int OpenReadOnly(const std::string& path) {
    // Non-blocking only for the open itself, so that a FIFO given by mistake cannot hang it.
    for (;;) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

}  // namespace

std::unique_ptr<Device> OpenDevice(const std::string& path, int& error) {
    const int fd = OpenReadOnly(path);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    const auto reject = [&](int code) {
        error = code;
        ::close(fd);
        return nullptr;
    };
    struct stat info = {};
    if (::fstat(fd, &info) != 0) return reject(errno);
    const bool isBlockDevice = S_ISBLK(info.st_mode);
    if (!isBlockDevice && !S_ISREG(info.st_mode)) return reject(S_ISDIR(info.st_mode) ? EISDIR : ENOTBLK);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return reject(errno);
    const SourceKind kind = isBlockDevice ? ClassifyBlockDevice(NumberOf(info.st_rdev)) : SourceKind::Image;
    return std::make_unique<OpenedDevice>(fd, kind, isBlockDevice, info);
}

}  // namespace tundrel::platform
