#pragma once
// The compound file (OLE2) container of Word, Excel, PowerPoint and Visio documents, read from a
// buffer holding the file's first sectors: its header, its directory of streams and the title
// of its summary information. Chains that leave the buffer end where they leave it, so a file
// cut short yields what its first sectors hold.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tundrel {

inline constexpr std::size_t kCompoundHeaderBytes = 512;

struct CompoundHeader {
    unsigned sectorShift = 9;  // 12 for 4096-byte sectors; any other value is taken as 9
    std::uint16_t miniSectorShift = 0;
    std::uint32_t fatSectors = 0;
    std::uint32_t firstDirectorySector = 0;
    std::uint32_t miniStreamCutoff = 0;
    std::uint32_t firstMiniFatSector = 0;
    std::uint32_t miniFatSectors = 0;
    std::uint32_t firstExtraFatListSector = 0;  // the chain of sectors that list further FAT sectors
    std::uint32_t extraFatListSectors = 0;
    std::array<std::uint32_t, 109> fatSectorList{};  // the FAT sectors the header itself lists

    std::size_t SectorBytes() const { return std::size_t{1} << sectorShift; }
    // Where sector `sector` starts in the file: the header takes the place of sector -1.
    std::uint64_t SectorOffset(std::uint32_t sector) const { return (std::uint64_t{sector} + 1) << sectorShift; }
};

// The header, when `bytes` starts with the compound-file signature D0 CF 11 E0 A1 B1 1A E1.
std::optional<CompoundHeader> ReadCompoundHeader(std::span<const std::uint8_t> bytes);

enum class CompoundEntryType : std::uint8_t { Unused = 0, Storage = 1, Stream = 2, Root = 5 };

struct CompoundEntry {
    std::u16string name;
    CompoundEntryType type = CompoundEntryType::Unused;
    std::uint32_t startSector = 0;
    std::uint64_t size = 0;
};

inline constexpr std::size_t kCompoundEntryBytes = 128;

// One 128-byte directory entry; nothing for an unused entry or one with a malformed name.
std::optional<CompoundEntry> ReadCompoundEntry(std::span<const std::uint8_t> bytes, unsigned sectorShift);

class CompoundFile {
public:
    // `bytes` are the file's first bytes, from its header on.
    CompoundFile(const CompoundHeader& header, std::span<const std::uint8_t> bytes) : header_(header), bytes_(bytes) {}

    // The used entries of the directory, as far as its chain runs inside the buffer.
    std::vector<CompoundEntry> Directory() const;
    // A stream's bytes, from the mini stream when it is smaller than the cutoff; fewer than its
    // size when its chain leaves the buffer.
    std::vector<std::uint8_t> Stream(const CompoundEntry& stream, const std::vector<CompoundEntry>& directory) const;
    // The title of the "\x05SummaryInformation" property set; empty when there is none.
    std::u16string Title(const std::vector<CompoundEntry>& directory) const;

private:
    std::span<const std::uint8_t> Sector(std::uint32_t sector) const;
    std::optional<std::uint32_t> NextSector(std::uint32_t sector) const;
    std::vector<std::uint8_t> ChainBytes(std::uint32_t first, std::uint64_t limit) const;

    CompoundHeader header_;
    std::span<const std::uint8_t> bytes_;
};

bool HasStream(const std::vector<CompoundEntry>& directory, std::u16string_view name);

// PIDSI_TITLE of a summary-information property set: VT_LPSTR in the set's code page (property
// 1), or VT_LPWSTR; up to its first NUL.
std::optional<std::u16string> ReadSummaryTitle(std::span<const std::uint8_t> propertySet);

}  // namespace tundrel
