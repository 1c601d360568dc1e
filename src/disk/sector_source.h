#pragma once
// The one object through which a scan reads its source, by 512-byte sector number.

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "disk/reconnect_prompt.h"
#include "platform/device.h"

namespace tundrel {

class ArchiveReader;
class ArchiveWriter;

// What reopening a source from a saved scan result came to.
enum class SourceReload {
    Same,       // it opened, and is the device the result was made from (or was not compared)
    NotOpened,  // nothing opens under the stored name; `label` holds the name
    Different,  // another device answers to the name; `label` names the stored one and its size
    Damaged,    // the archive ended or held something other than an identity
};

// How a source behaves when its device goes away: who asks the user, and whether to ask.
// `promptReconnect` is the process-wide setting; the reconnect question can switch it off.
struct ReconnectHandling {
    ReconnectPrompt* prompt = nullptr;
    std::atomic<bool>* promptReconnect = nullptr;
};

class SectorSource {
public:
    SectorSource();
    explicit SectorSource(platform::DeviceOpener opener);
    ~SectorSource();
    SectorSource(const SectorSource&) = delete;
    SectorSource& operator=(const SectorSource&) = delete;

    // Opens the named source read-only, closing it first if open. True when the device or
    // file opened; geometry that could not be read leaves totalSectors at 0.
    bool Open(std::u16string_view sourceName);
    void Close();

    // Reads buffer.size() bytes (whole sectors) at a 512-byte sector number. Past the end,
    // the buffer is zero-filled and the result is false.
    bool ReadSectors(std::span<std::uint8_t> buffer, std::uint32_t sector);
    // Reads a long stretch in 64 KiB pieces, polling `stop` between pieces; false only when
    // stopped before the end.
    bool ReadRange(std::span<std::uint8_t> buffer, std::uint32_t firstSector,
                   const std::atomic<std::uint32_t>& stop);

    // Stores the identity a saved scan result keeps: name (see StoredName), model, serial,
    // totalSectors, bytesPerSector and sectorsPerCylinder.
    void Serialize(ArchiveWriter& archive) const;
    // Reads a stored identity and reopens the source on its name. With `compareIdentity` the
    // source counts as the same only when its model, serial and sector count equal the stored ones.
    SourceReload Serialize(ArchiveReader& archive, bool compareIdentity);
    // The name as a saved result keeps it: an image's path made absolute, so that the result
    // reopens from any folder; other names as they are.
    std::u16string StoredName() const;

    void SetReconnectHandling(ReconnectHandling handling) { reconnect_ = handling; }
    bool IsVolume() const { return isOpen && kind == platform::SourceKind::Volume; }

    std::u16string label;   // names the expected source after a failed reload
    std::u16string name;    // exactly as passed to Open
    std::u16string model;
    std::u16string serial;
    std::uint64_t totalSectors = 0;
    std::uint32_t bytesPerSector = 512;  // information only: reads always count 512-byte sectors
    std::uint32_t sectorsPerCylinder = 16065;
    bool isOpen = false;
    int openError = 0;  // why the last Open failed: the system's error number (ENODEV: no such disk)
    std::atomic<std::uint32_t> reconnecting{0};
    std::string path;  // the resolved device or file path
    platform::SourceKind kind = platform::SourceKind::Image;

private:
    bool Reconnect(std::uint64_t byteOffset, std::span<std::uint8_t> buffer, int error);

    platform::DeviceOpener opener_;
    std::unique_ptr<platform::Device> device_;
    ReconnectHandling reconnect_;
};

}  // namespace tundrel
