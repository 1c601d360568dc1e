#pragma once
// Small sysfs and /proc trees in temporary directories that stand in for /sys and /proc while
// the objects live; one of each at a time.

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/sysfs_block.h"
#include "test_support.h"

namespace tundrel::test {

using Attributes = std::map<std::string, std::string>;

class SysfsFixture {
public:
    SysfsFixture();
    ~SysfsFixture();
    SysfsFixture(const SysfsFixture&) = delete;
    SysfsFixture& operator=(const SysfsFixture&) = delete;

    // A block device listed under block/ and dev/block/; with `hardware`, it gets a `device`
    // link to a directory holding those attribute files.
    void AddBlockDevice(const std::string& name, platform::DeviceNumber number,
                        const std::optional<Attributes>& hardware, const Attributes& own = {});
    // A partition inside its disk's entry; `own` adds attribute files such as start and size.
    void AddPartition(const std::string& disk, const std::string& name, platform::DeviceNumber number,
                      const Attributes& own = {});
    // The kernel drops the entry, as when a USB disk is pulled.
    void RemoveEntry(platform::DeviceNumber number);

    const std::filesystem::path& Root() const { return dir_.Path(); }

private:
    TempDir dir_;
};

// Points the /proc root at a folder whose self/mountinfo holds `table` while it lives.
class ProcFixture {
public:
    explicit ProcFixture(const std::string& table);
    ~ProcFixture();

private:
    TempDir dir_;
};

}  // namespace tundrel::test
