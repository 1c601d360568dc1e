#include "disk/sector_source.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <utility>

#include "disk/reconnect_message.h"
#include "disk/volume_info.h"
#include "platform/source_name.h"
#include "support/archive_reader.h"
#include "support/archive_writer.h"
#include "support/display_format.h"
#include "support/text.h"

namespace tundrel {
namespace {

constexpr std::size_t kRangePieceBytes = 65536;
constexpr std::uint32_t kDefaultBytesPerSector = 512;

// An identity text the first device did not have cannot tell two devices apart.
bool SameIdentityText(const std::u16string& recorded, const std::u16string& found) {
    return recorded.empty() || recorded == found;
}

}  // namespace

SectorSource::SectorSource() : SectorSource(platform::OpenDevice) {}

SectorSource::SectorSource(platform::DeviceOpener opener) : opener_(std::move(opener)) {}

SectorSource::~SectorSource() { Close(); }

bool SectorSource::Open(std::u16string_view sourceName) {
    if (isOpen) Close();
    reconnecting.exchange(0);
    name = sourceName;
    device_.reset();

    openError = 0;
    const std::optional<std::string> resolved = platform::ResolveSourceName(ToUtf8(sourceName));
    if (!resolved) {
        openError = ENODEV;
        return false;
    }
    std::unique_ptr<platform::Device> device = opener_(*resolved, openError);
    if (!device) return false;

    path = *resolved;
    kind = device->Kind();
    if (const std::optional<platform::DeviceGeometry> geometry = device->Geometry()) {
        bytesPerSector = geometry->bytesPerSector != 0 ? geometry->bytesPerSector : kDefaultBytesPerSector;
        totalSectors = geometry->totalBytes / kSectorBytes;
        if (geometry->sectorsPerCylinder != 0) sectorsPerCylinder = geometry->sectorsPerCylinder;
    }
    const platform::DeviceIdentity identity = device->Identity();
    model = ToUtf16(identity.model);
    serial = ToUtf16(identity.serial);

    device_ = std::move(device);
    isOpen = true;
    return true;
}

void SectorSource::Close() {
    if (isOpen) {
        isOpen = false;
        totalSectors = 0;
        bytesPerSector = kDefaultBytesPerSector;
        name.clear();
        path.clear();
        device_.reset();
    }
    reconnecting.exchange(0);
}

bool SectorSource::ReadSectors(std::span<std::uint8_t> buffer, std::uint32_t sector) {
    const bool countFitsSectorNumbers = (totalSectors >> 32) == 0;
    if (!device_ || (countFitsSectorNumbers && sector >= static_cast<std::uint32_t>(totalSectors))) {
        std::fill(buffer.begin(), buffer.end(), 0);
        return false;
    }
    const std::uint64_t byteOffset = std::uint64_t{sector} * kSectorBytes;
    int error = 0;
    switch (device_->Read(buffer, byteOffset, error)) {
        case platform::ReadStatus::Ok:
            return true;
        case platform::ReadStatus::DeviceGone:
            return Reconnect(byteOffset, buffer, error);
        case platform::ReadStatus::Failed:
            break;
    }
    return false;
}

bool SectorSource::ReadRange(std::span<std::uint8_t> buffer, std::uint32_t firstSector,
                             const std::atomic<std::uint32_t>& stop) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        if (stop.load() != 0) break;
        const std::size_t piece = std::min(kRangePieceBytes, buffer.size() - done);
        const std::span<std::uint8_t> target = buffer.subspan(done, piece);
        const std::uint64_t sector = std::uint64_t{firstSector} + done / kSectorBytes;
        // Past the last 32-bit sector number there is nothing to address: zeros, never a
        // wrap-around to the start of the source.
        if (sector > UINT32_MAX) {
            std::fill(target.begin(), target.end(), 0);
        } else {
            ReadSectors(target, static_cast<std::uint32_t>(sector));
        }
        done += piece;
    }
    return done == buffer.size();
}

std::u16string SectorSource::StoredName() const {
    // Names without a "/" are disks and partitions, found again by the name alone.
    if (name.find(u'/') == std::u16string::npos || name.starts_with(u'/')) return name;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(ToUtf8(name)), error);
    return error ? name : ToUtf16(absolute.lexically_normal().string());
}

void SectorSource::Serialize(ArchiveWriter& archive) const {
    archive.String(StoredName());
    archive.String(model);
    archive.String(serial);
    archive.U64(totalSectors);
    archive.U32(bytesPerSector);
    archive.U32(sectorsPerCylinder);
}

SourceReload SectorSource::Serialize(ArchiveReader& archive, bool compareIdentity) {
    const std::u16string storedName = archive.String();
    const std::u16string storedModel = archive.String();
    const std::u16string storedSerial = archive.String();
    const std::uint64_t storedSectors = archive.U64();
    archive.U32();  // bytes per sector and sectors per cylinder: the open finds them anew
    archive.U32();
    if (!archive.Good()) return SourceReload::Damaged;
    Close();
    if (!Open(storedName)) {
        label = storedName;
        return SourceReload::NotOpened;
    }
    if (!compareIdentity || (model == storedModel && serial == storedSerial && totalSectors == storedSectors)) {
        return SourceReload::Same;
    }
    label = ToUtf16(FormatText(" %s, %s ", ToUtf8(storedName).c_str(), FormatSize(storedSectors * kSectorBytes).c_str()));
    return SourceReload::Different;
}

bool SectorSource::Reconnect(std::uint64_t byteOffset, std::span<std::uint8_t> buffer, int error) {
    if (reconnect_.prompt == nullptr || reconnect_.promptReconnect == nullptr || !reconnect_.promptReconnect->load()) {
        return false;
    }
    if (reconnecting.exchange(1) != 0) return false;

    ReconnectRequest request;
    request.sourceName = name;
    request.totalSectors = totalSectors;
    request.errorCode = error;
    request.message = ReconnectMessage(kind == platform::SourceKind::Volume, error, name);

    bool result = false;
    for (;;) {
        const ReconnectAnswer answer = reconnect_.prompt->AskToReconnect(request);
        if (answer.choice == ReconnectChoice::Cancel) {
            reconnect_.promptReconnect->store(!answer.stopAsking);
            break;
        }
        SectorSource candidate(opener_);
        if (!candidate.Open(name)) continue;
        candidate.reconnecting.exchange(1);  // it must never ask on its own
        if (candidate.totalSectors == totalSectors && SameIdentityText(model, candidate.model) &&
            SameIdentityText(serial, candidate.serial)) {
            device_ = std::move(candidate.device_);
            path = candidate.path;
            candidate.isOpen = false;
            int retryError = 0;
            result = device_->Read(buffer, byteOffset, retryError) == platform::ReadStatus::Ok;
            break;
        }
        reconnect_.prompt->ReportDifferentDisk(DifferentDiskMessage(name, totalSectors, candidate.totalSectors));
        candidate.Close();
    }
    reconnecting.exchange(0);
    return result;
}

}  // namespace tundrel
