#pragma once
// MFT records made byte by byte, and a real NTFS image to write them into, for the NTFS tests.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image_scan.h"
#include "manifest.h"
#include "node_find.h"
#include "test_support.h"

namespace tundrel::test {

// 2023-09-18 09:17:38 UTC as an NTFS file time.
inline constexpr std::uint64_t kSampleFileTime = 133'395'022'580'000'000ull;

std::uint64_t FileTimeOf(std::int64_t unixSeconds, std::uint32_t milliseconds = 0);

// One 1024-byte file record as NTFS writes it: header of the 0x38-byte form with an update
// sequence at 0x30, attributes from 0x38, the end marker, and the sequence number stamped
// over the last two bytes of both sectors.
class RecordBuilder {
public:
    explicit RecordBuilder(std::uint32_t number, std::uint16_t flags = 0x0001);

    RecordBuilder& Standard(std::uint32_t fileAttributes = 0, std::uint64_t created = kSampleFileTime,
                            std::uint64_t modified = kSampleFileTime, std::uint64_t changed = kSampleFileTime);
    RecordBuilder& Name(std::uint32_t parent, std::u16string_view name, std::uint8_t nameSpace = 1,
                        std::uint64_t time = kSampleFileTime);
    // A name whose four time stamps differ: creation, modification, record change, access.
    RecordBuilder& Name(std::uint32_t parent, std::u16string_view name, std::uint8_t nameSpace,
                        std::array<std::uint64_t, 4> times);
    RecordBuilder& ResidentData(std::span<const std::uint8_t> value, std::u16string_view streamName = u"");
    RecordBuilder& NonResidentData(std::vector<std::uint8_t> runs, std::uint64_t realSize, std::uint64_t firstVcn = 0,
                                   std::uint16_t attributeFlags = 0);
    RecordBuilder& ResidentList(const std::vector<std::vector<std::uint8_t>>& entries);
    RecordBuilder& NonResidentList(std::vector<std::uint8_t> runs, std::uint64_t realSize);
    // Any attribute: `body` follows the 8 bytes of type and length.
    RecordBuilder& Raw(std::uint32_t type, std::vector<std::uint8_t> body);
    RecordBuilder& FirstAttributeAt(std::uint16_t offset) {
        firstAttribute_ = offset;
        return *this;
    }
    RecordBuilder& WithoutEndMarker() {
        endMarker_ = false;
        return *this;
    }

    std::vector<std::uint8_t> Build() const;

private:
    RecordBuilder& Add(std::vector<std::uint8_t> attribute);

    std::uint32_t number_;
    std::uint16_t flags_;
    std::optional<std::uint16_t> firstAttribute_;
    bool endMarker_ = true;
    std::vector<std::vector<std::uint8_t>> attributes_;
};

// An $ATTRIBUTE_LIST entry naming the record that holds one extent of an attribute.
std::vector<std::uint8_t> ListEntry(std::uint32_t type, std::uint32_t record, std::uint64_t firstVcn = 0,
                                    std::u16string_view name = u"");
std::vector<std::uint8_t> Joined(const std::vector<std::vector<std::uint8_t>>& parts);

// A writable copy of a committed NTFS image (mkntfs, filled through ntfs-3g) into which tests
// write crafted records and cluster contents. PutRecord and Cluster take only slots and
// clusters the image leaves free, so its own files stay whole; tests that damage the volume's
// tables patch Record(), MirrorCluster() and the boot sectors directly. A slot or cluster in
// use, or bytes past the image, throw: the test fails there instead of patching the wrong bytes.
class PatchedNtfsVolume {
public:
    // 4 MiB, 4 KiB clusters; of the MFT's 67 records mkntfs uses those to 26 and ntfs-3g three
    // from 64 on, and clusters 23 to 130 are free.
    static constexpr const char* kImage = "ntfs-initsize";

    explicit PatchedNtfsVolume(const std::filesystem::path& directory);

    std::uint32_t SectorsPerCluster() const { return sectorsPerCluster_; }
    std::uint64_t MftCluster() const { return mftCluster_; }

    // Writes `record` into a slot of the MFT's first run that the image leaves unused.
    void PutRecord(std::uint32_t number, const std::vector<std::uint8_t>& record);
    std::span<std::uint8_t> Record(std::uint32_t number);
    // A cluster that $Bitmap marks free.
    std::span<std::uint8_t> Cluster(std::uint32_t cluster);
    std::span<std::uint8_t> MirrorCluster() { return ClusterBytes(mirrorCluster_); }
    std::span<std::uint8_t> BootSector() { return Bytes(0, bytesPerSector_); }
    // The copy in the volume's last sector.
    std::span<std::uint8_t> BackupBootSector() { return Bytes(totalSectors_ * bytesPerSector_, bytesPerSector_); }

    // Writes the patched bytes over the copy; the path to scan.
    const std::filesystem::path& Write() const;

private:
    std::span<std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t length);
    std::span<std::uint8_t> ClusterBytes(std::uint64_t cluster);
    std::span<std::uint8_t> Slot(std::uint32_t record);  // where the MFT's first run puts it
    bool InUseInImage(std::uint32_t cluster) const;

    std::filesystem::path path_;
    std::vector<std::uint8_t> bytes_;
    std::uint64_t bytesPerSector_ = 0;
    std::uint32_t sectorsPerCluster_ = 0;
    std::uint64_t totalSectors_ = 0;
    std::uint64_t mftCluster_ = 0;
    std::uint64_t mirrorCluster_ = 0;
    std::uint64_t mftRecords_ = 0;             // in the MFT's first run
    std::vector<bool> recordInUse_;            // as the image holds them
    std::vector<std::uint8_t> clusterBitmap_;  // $Bitmap as the image holds it
};

}  // namespace tundrel::test
