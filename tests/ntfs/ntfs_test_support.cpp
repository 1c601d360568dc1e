#include "ntfs_test_support.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "ntfs/data_runs.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record_fixup.h"
#include "ntfs/mft_record_header.h"
#include "ntfs/ntfs_boot_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "support/byte_reader.h"

namespace tundrel::test {
namespace {

namespace fs = std::filesystem;

// Little-endian fields of 2, 4 and 8 bytes.
template <int Width>
void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value) {
    for (int i = 0; i < Width; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
constexpr auto Put16 = Put<2>;
constexpr auto Put32 = Put<4>;
constexpr auto Put64 = Put<8>;

void PutName(std::vector<std::uint8_t>& bytes, std::size_t at, std::u16string_view name) {
    for (std::size_t i = 0; i < name.size(); ++i) Put16(bytes, at + 2 * i, name[i]);
}

std::size_t Aligned8(std::size_t value) { return (value + 7) / 8 * 8; }

// A resident attribute: 0x18-byte header, the value at 0x18 (or after the stream name).
std::vector<std::uint8_t> ResidentAttribute(std::uint32_t type, std::span<const std::uint8_t> value,
                                            std::u16string_view name = u"") {
    const std::size_t valueOffset = Aligned8(0x18 + 2 * name.size());
    std::vector<std::uint8_t> attribute(Aligned8(valueOffset + value.size()));
    Put32(attribute, 0, type);
    Put32(attribute, 4, static_cast<std::uint32_t>(attribute.size()));
    attribute[9] = static_cast<std::uint8_t>(name.size());
    Put16(attribute, 0x0A, 0x18);
    Put32(attribute, 0x10, static_cast<std::uint32_t>(value.size()));
    Put16(attribute, 0x14, static_cast<std::uint16_t>(valueOffset));
    PutName(attribute, 0x18, name);
    std::copy(value.begin(), value.end(), attribute.begin() + static_cast<std::ptrdiff_t>(valueOffset));
    return attribute;
}

std::vector<std::uint8_t> NonResidentAttribute(std::uint32_t type, const std::vector<std::uint8_t>& runs,
                                               std::uint64_t realSize, std::uint64_t firstVcn, std::uint16_t flags) {
    std::vector<std::uint8_t> attribute(Aligned8(0x40 + runs.size() + 1));
    Put32(attribute, 0, type);
    Put32(attribute, 4, static_cast<std::uint32_t>(attribute.size()));
    attribute[8] = 1;
    Put16(attribute, 0x0A, 0x40);
    Put16(attribute, 0x0C, flags);
    Put64(attribute, 0x10, firstVcn);
    const std::uint64_t clusters = (realSize + 4095) / 4096;
    Put64(attribute, 0x18, clusters == 0 ? 0 : firstVcn + clusters - 1);
    Put16(attribute, 0x20, 0x40);
    if ((flags & 1) != 0) Put16(attribute, 0x22, 4);
    Put64(attribute, 0x28, clusters * 4096);
    Put64(attribute, 0x30, realSize);
    Put64(attribute, 0x38, realSize);
    std::copy(runs.begin(), runs.end(), attribute.begin() + 0x40);
    return attribute;
}

}  // namespace

std::uint64_t FileTimeOf(std::int64_t unixSeconds, std::uint32_t milliseconds) {
    return static_cast<std::uint64_t>(unixSeconds + 11'644'473'600LL) * 10'000'000ull + milliseconds * 10'000ull;
}

RecordBuilder::RecordBuilder(std::uint32_t number, std::uint16_t flags) : number_(number), flags_(flags) {}

RecordBuilder& RecordBuilder::Standard(std::uint32_t fileAttributes, std::uint64_t created, std::uint64_t modified,
                                       std::uint64_t changed) {
    std::vector<std::uint8_t> value(0x48);
    Put64(value, 0x00, created);
    Put64(value, 0x08, modified);
    Put64(value, 0x10, changed);
    Put64(value, 0x18, modified);
    Put32(value, 0x20, fileAttributes);
    return Add(ResidentAttribute(0x10, value));
}

RecordBuilder& RecordBuilder::Name(std::uint32_t parent, std::u16string_view name, std::uint8_t nameSpace,
                                   std::uint64_t time) {
    return Name(parent, name, nameSpace, {time, time, time, time});
}

RecordBuilder& RecordBuilder::Name(std::uint32_t parent, std::u16string_view name, std::uint8_t nameSpace,
                                   std::array<std::uint64_t, 4> times) {
    std::vector<std::uint8_t> value(0x42 + 2 * name.size());
    Put64(value, 0x00, parent | (std::uint64_t{1} << 48));
    for (std::size_t i = 0; i < times.size(); ++i) Put64(value, 0x08 + 8 * i, times[i]);
    value[0x40] = static_cast<std::uint8_t>(name.size());
    value[0x41] = nameSpace;
    PutName(value, 0x42, name);
    return Add(ResidentAttribute(0x30, value));
}

RecordBuilder& RecordBuilder::ResidentData(std::span<const std::uint8_t> value, std::u16string_view streamName) {
    return Add(ResidentAttribute(0x80, value, streamName));
}

RecordBuilder& RecordBuilder::NonResidentData(std::vector<std::uint8_t> runs, std::uint64_t realSize,
                                              std::uint64_t firstVcn, std::uint16_t attributeFlags) {
    return Add(NonResidentAttribute(0x80, runs, realSize, firstVcn, attributeFlags));
}

RecordBuilder& RecordBuilder::ResidentList(const std::vector<std::vector<std::uint8_t>>& entries) {
    return Add(ResidentAttribute(0x20, Joined(entries)));
}

RecordBuilder& RecordBuilder::NonResidentList(std::vector<std::uint8_t> runs, std::uint64_t realSize) {
    return Add(NonResidentAttribute(0x20, runs, realSize, 0, 0));
}

RecordBuilder& RecordBuilder::Raw(std::uint32_t type, std::vector<std::uint8_t> body) {
    body.insert(body.begin(), 8, 0);
    Put32(body, 0, type);
    Put32(body, 4, static_cast<std::uint32_t>(body.size()));
    return Add(std::move(body));
}

RecordBuilder& RecordBuilder::Add(std::vector<std::uint8_t> attribute) {
    attributes_.push_back(std::move(attribute));
    return *this;
}

std::vector<std::uint8_t> RecordBuilder::Build() const {
    std::vector<std::uint8_t> record(1024);
    std::copy_n("FILE", 4, record.begin());
    Put16(record, 0x04, 0x30);
    Put16(record, 0x06, 3);
    Put16(record, 0x10, 1);
    Put16(record, 0x12, 1);
    Put16(record, 0x14, firstAttribute_.value_or(0x38));
    Put16(record, 0x16, flags_);
    Put32(record, 0x1C, 1024);
    Put32(record, 0x2C, number_);
    std::size_t at = 0x38;
    for (const auto& attribute : attributes_) {
        const std::size_t count = std::min(attribute.size(), record.size() - at);
        std::copy_n(attribute.begin(), count, record.begin() + static_cast<std::ptrdiff_t>(at));
        at += count;
    }
    if (endMarker_ && at + 8 <= record.size()) {
        Put32(record, at, 0xFFFFFFFF);
        at += 8;
    }
    Put32(record, 0x18, static_cast<std::uint32_t>(at));
    // The update sequence: the real last two bytes of each sector go into the array and the
    // sequence number takes their place.
    const std::uint16_t sequence = 0x0007;
    Put16(record, 0x30, sequence);
    for (std::size_t sector = 0; sector < 2; ++sector) {
        const std::size_t tail = 510 + 512 * sector;
        record[0x32 + 2 * sector] = record[tail];
        record[0x33 + 2 * sector] = record[tail + 1];
        Put16(record, tail, sequence);
    }
    return record;
}

std::vector<std::uint8_t> ListEntry(std::uint32_t type, std::uint32_t record, std::uint64_t firstVcn,
                                    std::u16string_view name) {
    std::vector<std::uint8_t> entry(Aligned8(0x1A + 2 * name.size()));
    Put32(entry, 0x00, type);
    Put16(entry, 0x04, static_cast<std::uint16_t>(entry.size()));
    entry[0x06] = static_cast<std::uint8_t>(name.size());
    entry[0x07] = 0x1A;
    Put64(entry, 0x08, firstVcn);
    Put64(entry, 0x10, record | (std::uint64_t{1} << 48));
    PutName(entry, 0x1A, name);
    return entry;
}

std::vector<std::uint8_t> Joined(const std::vector<std::vector<std::uint8_t>>& parts) {
    std::vector<std::uint8_t> joined;
    for (const auto& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

PatchedNtfsVolume::PatchedNtfsVolume(const fs::path& directory)
    : path_(CopyOfImage(kImage, directory)), bytes_(FileBytes(path_)) {
    const NtfsBootRecord boot = ReadNtfsBootRecord(std::span(bytes_).first(std::min<std::size_t>(bytes_.size(), 512)));
    bytesPerSector_ = boot.bytesPerSector;
    sectorsPerCluster_ = NtfsClusterSectors(boot.sectorsPerCluster).value_or(0);
    totalSectors_ = boot.totalSectors;
    mftCluster_ = boot.mftCluster;
    mirrorCluster_ = boot.mirrorCluster;
    // Byte 0x40 of 0xF6 (-10): records of 2^10 bytes, the size RecordBuilder makes.
    if (bytesPerSector_ != 512 || sectorsPerCluster_ == 0 || ByteReader(bytes_).U8(0x40) != 0xF6) {
        throw std::runtime_error(std::string(kImage) + ": not the NTFS geometry the tests patch");
    }

    // The MFT's first run and size, from $MFT's $DATA; then $Bitmap's bytes from record 6.
    const auto dataOf = [this](std::uint32_t number) {
        const auto slot = Slot(number);
        std::vector<std::uint8_t> record(slot.begin(), slot.end());
        FixupFirstSector(record);
        std::pair<MftRunList, std::uint64_t> data;
        AttributeWalk walk(record, FirstAttributeOffset(record));
        if (const auto attribute = walk.Find(kAttrData); attribute && !attribute->IsResident()) {
            DecodeRunList(attribute->RunListBytes(), data.first);
            data.second = attribute->RealSize();
        }
        if (data.first.empty()) throw std::runtime_error("record " + std::to_string(number) + " has no run list");
        return data;
    };
    const auto [mftRuns, mftSize] = dataOf(0);
    if (mftRuns.front().startCluster != mftCluster_) throw std::runtime_error("$MFT does not start where the boot sector says");
    mftRecords_ = std::min<std::uint64_t>(mftSize, std::uint64_t{mftRuns.front().clusterCount} * sectorsPerCluster_ * 512) /
                  kMftRecordBytes;
    for (std::uint32_t number = 0; number < mftRecords_; ++number) {
        recordInUse_.push_back((ByteReader(Record(number)).U16(0x16) & 0x0001) != 0);
    }
    const auto [bitmapRuns, bitmapSize] = dataOf(6);
    for (const MftRun& run : bitmapRuns) {
        for (std::uint32_t i = 0; i < run.clusterCount; ++i) {
            const auto cluster = ClusterBytes(std::uint64_t{run.startCluster} + i);
            clusterBitmap_.insert(clusterBitmap_.end(), cluster.begin(), cluster.end());
        }
    }
    clusterBitmap_.resize(std::min<std::size_t>(clusterBitmap_.size(), bitmapSize));
}

void PatchedNtfsVolume::PutRecord(std::uint32_t number, const std::vector<std::uint8_t>& record) {
    const auto slot = Record(number);
    if (recordInUse_[number]) throw std::runtime_error("record " + std::to_string(number) + " is in use in " + kImage);
    std::copy_n(record.begin(), std::min(record.size(), slot.size()), slot.begin());
}

std::span<std::uint8_t> PatchedNtfsVolume::Record(std::uint32_t number) {
    if (number >= mftRecords_) throw std::out_of_range("record " + std::to_string(number) + " is past the MFT's first run");
    return Slot(number);
}

std::span<std::uint8_t> PatchedNtfsVolume::Slot(std::uint32_t number) {
    return Bytes(mftCluster_ * sectorsPerCluster_ * 512 + std::uint64_t{number} * kMftRecordBytes, kMftRecordBytes);
}

std::span<std::uint8_t> PatchedNtfsVolume::Cluster(std::uint32_t cluster) {
    if (InUseInImage(cluster)) throw std::runtime_error("cluster " + std::to_string(cluster) + " is in use in " + kImage);
    return ClusterBytes(cluster);
}

bool PatchedNtfsVolume::InUseInImage(std::uint32_t cluster) const {
    // Past the bitmap counts as in use.
    return cluster / 8 >= clusterBitmap_.size() || ((clusterBitmap_[cluster / 8] >> (cluster % 8)) & 1) != 0;
}

std::span<std::uint8_t> PatchedNtfsVolume::ClusterBytes(std::uint64_t cluster) {
    return Bytes(cluster * sectorsPerCluster_ * 512, std::uint64_t{sectorsPerCluster_} * 512);
}

std::span<std::uint8_t> PatchedNtfsVolume::Bytes(std::uint64_t offset, std::uint64_t length) {
    if (offset > bytes_.size() || length > bytes_.size() - offset) {
        throw std::out_of_range("bytes " + std::to_string(offset) + "+" + std::to_string(length) + " are past " + kImage);
    }
    return std::span(bytes_).subspan(offset, length);
}

const fs::path& PatchedNtfsVolume::Write() const {
    WriteBinaryFile(path_, bytes_);
    return path_;
}

}  // namespace tundrel::test
