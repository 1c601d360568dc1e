#pragma once
// Entry sets made byte by byte, scans of images (from files or from memory), and the
// committed exFAT image's manifest, for the exFAT tests.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "exfat/exfat_scanner.h"
#include "platform/device.h"
#include "scan/scan_context.h"
#include "support/settings.h"

namespace tundrel::test {

struct SetLayout {
    std::u16string name = u"file.txt";
    std::uint32_t firstCluster = 9;
    std::uint64_t length = 100;
    bool deleted = false;
    std::uint8_t streamFlags = 0x03;
    std::uint16_t attributes = 0x20;
    int nameLength = -1;      // the name's own length when negative
    std::size_t nameEntries = 0;  // as many as the name needs when 0
    std::uint16_t hashDelta = 0;  // added to the right name hash
};
// The set's entries with a right checksum (over the wrong hash, when asked for one).
std::vector<std::uint8_t> EntrySet(const SetLayout& layout);
// The entries one after another at the start of a zeroed 4 KiB block; an entry given by its
// type byte alone is padded to 32 bytes.
std::vector<std::uint8_t> Block(std::initializer_list<std::vector<std::uint8_t>> entries);

struct ScanSetup {
    std::uint32_t mode = kModeDeletedFiles;
    std::uint32_t volumeStart = 0;
    std::uint32_t volumeSectors = 0;  // 0: to the end of the source
    bool stopRequested = false;       // the user asked to stop before the scan began
    platform::DeviceOpener opener = {};  // unset: the real files
};

// A scan made as the factory makes one: the task's boot sector handed over, then Scan.
struct ExFatScan {
    explicit ExFatScan(const std::filesystem::path& image, ScanSetup setup = {});
    ScanNode& Root(RootIndex index) { return scanner->roots[index]; }

    Settings settings;
    ScanProgress progress;
    ScanEnvironment environment{settings, progress, {}, nullptr};
    std::unique_ptr<SectorSource> source;
    std::unique_ptr<ScanContext> context;
    std::unique_ptr<ExFatScanner> scanner;
};

// A disk of `totalBytes` that holds `bytes` at `offset` and zeros elsewhere, and notes the
// offset of every read.
class MemoryDevice final : public platform::Device {
public:
    MemoryDevice(std::shared_ptr<const std::vector<std::uint8_t>> bytes, std::uint64_t offset, std::uint64_t totalBytes,
                 std::shared_ptr<std::vector<std::uint64_t>> reads)
        : bytes_(std::move(bytes)), offset_(offset), totalBytes_(totalBytes), reads_(std::move(reads)) {}
    platform::SourceKind Kind() const override { return platform::SourceKind::Image; }
    platform::ReadStatus Read(std::span<std::uint8_t> buffer, std::uint64_t byteOffset, int& error) override;
    std::optional<platform::DeviceGeometry> Geometry() override { return platform::DeviceGeometry{512, totalBytes_, 0}; }
    platform::DeviceIdentity Identity() override { return {}; }

private:
    std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
    std::uint64_t offset_;
    std::uint64_t totalBytes_;
    std::shared_ptr<std::vector<std::uint64_t>> reads_;
};

// A "/"-separated UTF-8 path below `root`.
const ScanNode* FindPath(const ScanNode& root, std::string_view path);
// Every node below `root` with its "/"-separated UTF-8 path.
void ForEachNode(const ScanNode& root, const std::function<void(const ScanNode&, const std::string&)>& visit);
// The node's data through BuildExtents and ReadNodeData; nothing when either fails.
std::optional<std::vector<std::uint8_t>> ReadNodeBytes(VolumeScanner& scanner, const ScanNode& node);

struct ManifestFile {
    std::string path;  // without the leading "/"
    bool isDirectory = false;
    bool deleted = false;
    bool reusable = false;
    bool fragmented = false;
    bool noFatChain = false;
    std::uint64_t size = 0;
    std::string md5;
    std::uint32_t firstCluster = 0;
    std::uint64_t validLength = 0;  // the size, unless the valid data length was patched below it
};
// The files of the exFAT volume of a committed image's manifest.
std::vector<ManifestFile> ManifestFiles(const std::string& image);

// The whole of a committed image, for tests that damage a copy of it.
std::vector<std::uint8_t> ImageBytes(const std::string& name);

}  // namespace tundrel::test
