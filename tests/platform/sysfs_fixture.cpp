#include "sysfs_fixture.h"

#include <cstdlib>
#include <fstream>

namespace tundrel::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kRootVariable = "TUNDREL_SYSFS_ROOT";

std::string NumberText(platform::DeviceNumber number) {
    return std::to_string(number.major) + ":" + std::to_string(number.minor);
}

// Attribute names may hold folders ("loop/offset").
void WriteAttributes(const fs::path& dir, const Attributes& attributes) {
    fs::create_directories(dir);
    for (const auto& [file, text] : attributes) {
        fs::create_directories((dir / file).parent_path());
        std::ofstream(dir / file, std::ios::binary) << text;
    }
}

}  // namespace

SysfsFixture::SysfsFixture() {
    fs::create_directories(Root() / "block");
    fs::create_directories(Root() / "dev" / "block");
    ::setenv(kRootVariable, Root().c_str(), 1);
}

SysfsFixture::~SysfsFixture() { ::unsetenv(kRootVariable); }

// Laid out as the kernel does: entries live under devices/, block/NAME and dev/block/MAJ:MIN
// are links to them, and a partition is a directory inside its disk's entry.
void SysfsFixture::AddBlockDevice(const std::string& name, platform::DeviceNumber number,
                                  const std::optional<Attributes>& hardware, const Attributes& own) {
    const fs::path entry = Root() / "devices" / name;
    WriteAttributes(entry, own);
    WriteAttributes(entry, {{"dev", NumberText(number) + "\n"}});
    if (hardware) {
        WriteAttributes(Root() / "hardware" / name, *hardware);
        fs::create_directory_symlink(fs::path("..") / ".." / "hardware" / name, entry / "device");
    }
    fs::create_directory_symlink(fs::path("..") / "devices" / name, Root() / "block" / name);
    fs::create_directory_symlink(fs::path("..") / ".." / "devices" / name,
                                 Root() / "dev" / "block" / NumberText(number));
}

void SysfsFixture::AddPartition(const std::string& disk, const std::string& name, platform::DeviceNumber number,
                                const Attributes& own) {
    WriteAttributes(Root() / "devices" / disk / name, own);
    WriteAttributes(Root() / "devices" / disk / name, {{"partition", "1\n"}, {"dev", NumberText(number) + "\n"}});
    fs::create_directory_symlink(fs::path("..") / ".." / "devices" / disk / name,
                                 Root() / "dev" / "block" / NumberText(number));
}

void SysfsFixture::RemoveEntry(platform::DeviceNumber number) {
    fs::remove(Root() / "dev" / "block" / NumberText(number));
}

ProcFixture::ProcFixture(const std::string& table) {
    fs::create_directories(dir_ / "self");
    std::ofstream(dir_ / "self" / "mountinfo") << table;
    ::setenv("TUNDREL_PROC_ROOT", dir_.Path().c_str(), 1);
}

ProcFixture::~ProcFixture() { ::unsetenv("TUNDREL_PROC_ROOT"); }

}  // namespace tundrel::test
