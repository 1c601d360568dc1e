#pragma once
// MFT records and small NTFS volumes made byte by byte, for the NTFS tests.

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

// A 4 MiB NTFS volume: 4 KiB clusters, the boot sector and its copy in the last sector, an
// MFT of 64 records at cluster 16 with $MFT (record 0) and the root "." (record 5).
class SyntheticVolume {
public:
    static constexpr std::uint32_t kSectors = 8192;
    static constexpr std::uint32_t kSectorsPerCluster = 8;
    static constexpr std::uint32_t kMftCluster = 16;
    static constexpr std::uint32_t kMftRecords = 64;
    static constexpr std::uint32_t kMirrorCluster = 8;

    SyntheticVolume();

    void PutRecord(std::uint32_t number, const std::vector<std::uint8_t>& record);
    std::span<std::uint8_t> Record(std::uint32_t number);
    std::span<std::uint8_t> Cluster(std::uint32_t cluster);
    std::span<std::uint8_t> BootSector() { return std::span(bytes_).first(512); }
    std::vector<std::uint8_t>& Bytes() { return bytes_; }

    std::filesystem::path Write(const std::filesystem::path& file) const;

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace tundrel::test
