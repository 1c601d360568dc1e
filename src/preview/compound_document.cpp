#include "preview/compound_document.h"

#include <algorithm>
#include <optional>

#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kNumbersPerSector = CompoundDocument::kSectorBytes / 4;
constexpr std::uint32_t kLastRegularSector = 0xFFFFFFF9;  // the values above mark free sectors and chain ends

void AppendNumbers(std::span<const std::uint8_t> bytes, std::size_t count, std::vector<std::uint32_t>& numbers) {
    const ByteReader reader(bytes);
    for (std::size_t i = 0; i < count && reader.Has(4 * i, 4); ++i) numbers.push_back(reader.U32(4 * i));
}

// Follows the chain from `first` through `table`, appending each sector's bytes (from
// `sectorBytes`) until `limit` bytes are had. A sector without bytes ends the chain, and so does
// one already passed, so a looping chain ends after one round.
template <typename SectorBytes>
std::vector<std::uint8_t> FollowChain(std::uint32_t first, const std::vector<std::uint32_t>& table, std::uint64_t limit,
                                      SectorBytes sectorBytes) {
    std::vector<std::uint8_t> bytes;
    std::vector<bool> passed(table.size(), false);
    std::uint32_t sector = first;
    while (bytes.size() < limit && sector <= kLastRegularSector) {
        const std::span<const std::uint8_t> data = sectorBytes(sector);
        if (data.empty()) break;
        bytes.insert(bytes.end(), data.begin(), data.end());
        if (sector >= table.size() || passed[sector]) break;
        passed[sector] = true;
        sector = table[sector];
    }
    if (bytes.size() > limit) bytes.resize(static_cast<std::size_t>(limit));
    return bytes;
}

}  // namespace

std::span<const std::uint8_t> CompoundDocument::Sector(std::uint32_t sector) const {
    if (sector > kLastRegularSector) return {};
    return ByteReader(bytes_).Bytes((std::size_t{sector} + 1) * kSectorBytes, kSectorBytes);
}

std::vector<std::uint8_t> CompoundDocument::SectorChain(std::uint32_t first, std::uint64_t limit) const {
    return FollowChain(first, sectorTable_, limit, [this](std::uint32_t sector) { return Sector(sector); });
}

std::vector<std::uint8_t> CompoundDocument::ShortSectorChain(std::uint32_t first, std::uint64_t limit) const {
    const ByteReader shortStream(shortStream_);
    return FollowChain(first, shortSectorTable_, limit, [&shortStream](std::uint32_t sector) {
        return shortStream.Bytes(std::size_t{sector} * kShortSectorBytes, kShortSectorBytes);
    });
}

bool CompoundDocument::Load(std::span<const std::uint8_t> bytes) {
    *this = CompoundDocument();
    if (bytes.size() < kMinimumBytes) return false;
    const std::optional<CompoundHeader> header = ReadCompoundHeader(bytes);
    if (!header || header->SectorBytes() != kSectorBytes) return false;
    if (std::uint64_t{header->fatSectors} * kSectorBytes > bytes.size()) return false;
    bytes_ = bytes;
    header_ = *header;

    // The sectors of the sector table: those the header lists, then those listed by the chain of
    // extra list sectors, each holding 127 numbers and the next list sector. A free or
    // out-of-buffer number ends the list.
    std::vector<std::uint32_t> listed(header_.fatSectorList.begin(), header_.fatSectorList.end());
    std::vector<bool> passedLists(bytes.size() / kSectorBytes, false);
    for (std::uint32_t list = header_.firstExtraFatListSector; list < passedLists.size() && !passedLists[list];) {
        passedLists[list] = true;
        const std::span<const std::uint8_t> data = Sector(list);
        if (data.empty()) break;
        AppendNumbers(data, kNumbersPerSector - 1, listed);
        list = ByteReader(data).U32(kSectorBytes - 4);
    }
    for (const std::uint32_t sector : listed) {
        if (masterTable_.size() >= header_.fatSectors || Sector(sector).empty()) break;
        masterTable_.push_back(sector);
    }
    for (const std::uint32_t sector : masterTable_) AppendNumbers(Sector(sector), kNumbersPerSector, sectorTable_);

    const std::vector<std::uint8_t> shortTable =
        SectorChain(header_.firstMiniFatSector, std::uint64_t{header_.miniFatSectors} * kSectorBytes);
    AppendNumbers(shortTable, shortTable.size() / 4, shortSectorTable_);

    // Directory entries are taken in turn until one has no name or a name longer than the field.
    const std::vector<std::uint8_t> directory = SectorChain(header_.firstDirectorySector, bytes.size());
    for (std::size_t at = 0; at + kCompoundEntryBytes <= directory.size(); at += kCompoundEntryBytes) {
        const std::span<const std::uint8_t> entryBytes = std::span(directory).subspan(at, kCompoundEntryBytes);
        const std::uint16_t nameBytes = ByteReader(entryBytes).U16(0x40);
        if (nameBytes == 0 || nameBytes > 64) break;
        if (std::optional<CompoundEntry> entry = ReadCompoundEntry(entryBytes, header_.sectorShift)) {
            entries_.push_back(std::move(*entry));
        }
    }
    const auto root = std::find_if(entries_.begin(), entries_.end(),
                                   [](const CompoundEntry& entry) { return entry.type == CompoundEntryType::Root; });
    if (root != entries_.end()) shortStream_ = SectorChain(root->startSector, root->size);
    valid_ = true;
    return true;
}

const CompoundEntry* CompoundDocument::FindStream(std::u16string_view name) const {
    const auto found = std::find_if(entries_.begin(), entries_.end(), [name](const CompoundEntry& entry) {
        return entry.type == CompoundEntryType::Stream && entry.name == name;
    });
    return found == entries_.end() ? nullptr : &*found;
}

std::vector<std::uint8_t> CompoundDocument::ReadStream(const CompoundEntry& entry) const {
    if (!valid_) return {};
    // The root entry's stream holds the short sectors, so it always lies in full sectors.
    if (entry.type != CompoundEntryType::Root && entry.size < header_.miniStreamCutoff) return ShortSectorChain(entry.startSector, entry.size);
    return SectorChain(entry.startSector, entry.size);
}

}  // namespace tundrel
