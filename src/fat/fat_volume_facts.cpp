#include "fat/fat_volume_facts.h"

#include <algorithm>

#include "disk/bounded_read.h"
#include "platform/ansi_code_page.h"
#include "fat/fat_boot_parameters.h"
#include "fat/fat_boot_sector.h"
#include "fat/directory_block.h"
#include "fat/directory_entry.h"
#include "fat/entry_name.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::uint32_t kFixedRootSectors = 32;  // 16 KiB: 512 entries
constexpr std::string_view kSystemFolderShortName = "SYSTEM~1";
constexpr std::u16string_view kSystemFolderName = u"System Volume Information";

// Where the root directory lies and how many entries it may hold.
struct RootDirectory {
    std::uint64_t firstSector = 0;
    std::uint32_t sectors = 0;
    std::size_t entryLimit = 0;
};

RootDirectory LocateRoot(const VolumeInfo& record) {
    const FatBootParameters boot = FatBootParameters::Parse(record.bootSector);
    const std::uint64_t fatArea = std::uint64_t{boot.fatCount} * (boot.fatSectors16 != 0 ? boot.fatSectors16 : boot.fatSectors32);
    const std::uint64_t firstAfterFats = std::uint64_t{record.startSector} + boot.reservedSectors + fatArea;
    const std::uint32_t sectorsPerCluster = boot.sectorsPerCluster;
    RootDirectory root;
    if (boot.fatSectors16 != 0) {  // FAT12/16: a fixed root after the FATs
        root.firstSector = firstAfterFats;
        root.sectors = kFixedRootSectors;
        root.entryLimit = boot.rootEntries;
    } else {  // FAT32: the root is a cluster chain; its first cluster is read
        root.firstSector = firstAfterFats + std::uint64_t{sectorsPerCluster} * (boot.RootCluster() - 2);
        root.sectors = sectorsPerCluster;
        root.entryLimit = SIZE_MAX;
    }
    return root;
}

bool IsLabelEntry(std::uint8_t attributes) {
    return attributes != kAttrLongName && (attributes & (kAttrVolumeLabel | kAttrDirectory)) == kAttrVolumeLabel;
}

std::u16string LabelText(EntryBytes entry, AnsiCodePage& codePage) {
    std::span<const std::uint8_t> name = entry.first(kShortNameBytes);
    while (!name.empty() && (name.back() == ' ' || name.back() == 0)) name = name.first(name.size() - 1);
    return codePage.Decode(name);
}

bool IsSystemFolder(std::span<const std::uint8_t> directory, std::size_t index, AnsiCodePage& codePage) {
    const EntryBytes entry = EntryAt(directory, index);
    const std::string_view shortName(reinterpret_cast<const char*>(entry.data()), kShortNameBytes);
    return shortName.starts_with(kSystemFolderShortName) &&
           BuildEntryName(directory, index, entry[0], codePage) == kSystemFolderName;
}

// Walks the root's entries up to the end mark: the label entry gives the label, the system
// folder the volume's creation date (Windows makes it when it first mounts the volume).
void WalkRoot(std::span<const std::uint8_t> directory, std::size_t entryLimit, VolumeInfo& record,
              AnsiCodePage& codePage) {
    bool haveLabel = false;
    bool haveDate = false;
    const std::size_t entries = std::min(directory.size() / kFatEntryBytes, entryLimit);
    for (std::size_t index = 0; index < entries && !(haveLabel && haveDate); ++index) {
        const EntryBytes entry = EntryAt(directory, index);
        const std::uint8_t attributes = entry[entry_field::kAttributes];
        if (entry[0] == 0) break;
        if (IsFreedMark(entry[0]) || attributes == kAttrLongName) continue;
        if (IsLabelEntry(attributes)) {
            record.label = LabelText(entry, codePage);
            haveLabel = true;
        } else if (IsSystemFolder(directory, index, codePage)) {
            record.createdText = DateText(ByteReader(entry).U16(entry_field::kCreatedDate));
            haveDate = true;
        }
    }
}

}  // namespace

void ReadFatVolumeFacts(SectorSource& source, VolumeInfo& record, std::string_view codePage) {
    if (!IsFatBootSector(record.bootSector, record.bootSector)) return;
    const RootDirectory root = LocateRoot(record);
    const std::vector<std::uint8_t> directory = ReadWithin(source, root.firstSector, root.sectors);
    if (directory.empty() || !IsFatDirectoryBlock(directory, directory.size() / kFatEntryBytes, {})) return;
    AnsiCodePage decoder(codePage);
    WalkRoot(directory, root.entryLimit, record, decoder);
}

}  // namespace tundrel
