#include "fat_test_support.h"

#include "fat/directory_entry.h"

namespace tundrel::test {
namespace {

namespace fs = std::filesystem;

void PutLittleEndian(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

FatVolumeBuilder::FatVolumeBuilder(FatKind kind, std::uint32_t totalSectors, std::uint8_t sectorsPerCluster,
                                   std::uint8_t fatCount)
    : bytes(std::size_t{totalSectors} * 512, 0),
      kind_(kind),
      sectorsPerCluster_(sectorsPerCluster),
      fatCount_(fatCount),
      reserved_(kind == FatKind::Fat32 ? 32 : 1) {
    const bool fat32 = kind == FatKind::Fat32;
    fatSectors = ((totalSectors / sectorsPerCluster + 2) * (fat32 ? 4 : 2) + 511) / 512;
    dataStart = reserved_ + fatCount * fatSectors + (fat32 ? 0 : 32);
    const auto boot = std::span(bytes).first(512);
    PutLittleEndian(boot, 0, 0x903CEB, 3);
    PutLittleEndian(boot, 11, 512, 2);
    boot[13] = sectorsPerCluster;
    PutLittleEndian(boot, 14, reserved_, 2);
    boot[16] = fatCount;
    PutLittleEndian(boot, 17, fat32 ? 0 : 512, 2);
    PutLittleEndian(boot, 32, totalSectors, 4);
    PutLittleEndian(boot, fat32 ? 36 : 22, fatSectors, fat32 ? 4 : 2);
    PutLittleEndian(boot, 44, fat32 ? 2 : 0, 4);
    PutLittleEndian(boot, 510, 0xAA55, 2);
    SetFat(0, 0x0FFFFFF8);
    SetFat(1, 0x0FFFFFFF);
    if (fat32) SetFat(2, 0x0FFFFFFF);
}

void FatVolumeBuilder::SetFat(std::uint32_t cluster, std::uint32_t value) {
    const int width = kind_ == FatKind::Fat32 ? 4 : 2;
    for (unsigned copy = 0; copy < fatCount_; ++copy) {
        PutLittleEndian(bytes, (reserved_ + copy * fatSectors) * 512 + std::size_t{cluster} * width, value, width);
    }
}

void FatVolumeBuilder::Chain(std::initializer_list<std::uint32_t> clusters) {
    for (auto it = clusters.begin(); it != clusters.end(); ++it) SetFat(*it, std::next(it) == clusters.end() ? 0x0FFFFFFF : *std::next(it));
}

std::span<std::uint8_t> FatVolumeBuilder::Cluster(std::uint32_t cluster) {
    return std::span(bytes).subspan((dataStart + std::size_t{sectorsPerCluster_} * (cluster - 2)) * 512, sectorsPerCluster_ * 512u);
}

std::span<std::uint8_t> FatVolumeBuilder::Root() {
    if (kind_ == FatKind::Fat32) return Cluster(2);
    return std::span(bytes).subspan((reserved_ + fatCount_ * fatSectors) * 512, 512 * 32);
}

fs::path FatVolumeBuilder::Write(const fs::path& file) const {
    WriteBinaryFile(file, bytes);
    return file;
}

void PutEntry(std::span<std::uint8_t> directory, std::size_t index, const EntryLayout& layout) {
    const auto entry = directory.subspan(index * 32, 32);
    std::fill(entry.begin(), entry.end(), 0);
    std::fill_n(entry.begin(), 11, ' ');
    std::copy_n(layout.shortName.begin(), std::min<std::size_t>(layout.shortName.size(), 11), entry.begin());
    entry[11] = layout.attributes;
    entry[12] = layout.caseFlags;
    for (const std::size_t at : {16, 18, 24}) PutLittleEndian(entry, at, layout.modifiedDate, 2);
    PutLittleEndian(entry, 20, layout.cluster >> 16, 2);
    PutLittleEndian(entry, 22, 0x6000, 2);  // 12:00
    PutLittleEndian(entry, 26, layout.cluster & 0xFFFF, 2);
    PutLittleEndian(entry, 28, layout.size, 4);
}

void PutLongName(std::span<std::uint8_t> directory, std::size_t shortIndex, std::u16string_view name,
                 std::uint8_t checksum, bool deleted) {
    static constexpr std::size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    const std::size_t count = (name.size() + 12) / 13;
    for (std::size_t part = 0; part < count; ++part) {
        const auto entry = directory.subspan((shortIndex - 1 - part) * 32, 32);
        std::fill(entry.begin(), entry.end(), 0);
        entry[0] = deleted ? 0xE5 : static_cast<std::uint8_t>((part + 1) | (part + 1 == count ? 0x40 : 0));
        entry[11] = 0x0F;
        entry[13] = checksum;
        for (std::size_t i = 0, at = part * 13; i < 13; ++i, ++at) {
            PutLittleEndian(entry, kOffsets[i], at < name.size() ? name[at] : (at == name.size() ? 0 : 0xFFFF), 2);
        }
    }
}

void PutDotEntries(std::span<std::uint8_t> directory, std::uint32_t self) {
    PutEntry(directory, 0, {.shortName = ".", .attributes = 0x10, .cluster = self});
    PutEntry(directory, 1, {.shortName = "..", .attributes = 0x10});
}

std::uint8_t ChecksumOf(const std::string& shortName) {
    std::vector<std::uint8_t> entry(32, ' ');
    std::copy(shortName.begin(), shortName.end(), entry.begin());
    return ShortNameChecksum(entry);
}

}  // namespace tundrel::test
