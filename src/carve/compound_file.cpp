#include "carve/compound_file.h"

#include <unicode/ucnv.h>

#include <algorithm>

#include "carve/signature.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::uint32_t kLastRegularSector = 0xFFFFFFF9;  // the values above mark chain ends and FAT sectors
constexpr std::u16string_view kSummaryInformation = u"\x05SummaryInformation";
constexpr std::uint32_t kTitleProperty = 2;
constexpr std::uint32_t kCodePageProperty = 1;
constexpr std::uint32_t kTypeI2 = 2;
constexpr std::uint32_t kTypeLpstr = 0x1E;
constexpr std::uint32_t kTypeLpwstr = 0x1F;
constexpr std::uint16_t kCodePageUtf16 = 1200;

const char* ConverterName(std::uint16_t codePage, std::string& owned) {
    switch (codePage) {
        case 65001: return "UTF-8";
        case 20127: return "US-ASCII";
        case 10000: return "macintosh";
        case 932: return "windows-31j";
        default: owned = "windows-" + std::to_string(codePage); return owned.c_str();
    }
}

// Text in a Windows code page; an unknown code page is read as windows-1252, which maps every byte.
std::u16string DecodeCodePage(std::span<const std::uint8_t> bytes, std::uint16_t codePage) {
    std::string owned;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(ConverterName(codePage, owned), &status);
    if (U_FAILURE(status) || converter == nullptr) {
        status = U_ZERO_ERROR;
        converter = ucnv_open("windows-1252", &status);
        if (U_FAILURE(status) || converter == nullptr) return {};
    }
    std::u16string text(2 * bytes.size() + 2, u'\0');
    const int32_t length = ucnv_toUChars(converter, text.data(), static_cast<int32_t>(text.size()),
                                         reinterpret_cast<const char*>(bytes.data()), static_cast<int32_t>(bytes.size()), &status);
    ucnv_close(converter);
    if (U_FAILURE(status) || length < 0) return {};
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::u16string Utf16Text(std::span<const std::uint8_t> bytes) {
    const ByteReader reader(bytes);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(reader.U16(i));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

}  // namespace

std::optional<CompoundEntry> ReadCompoundEntry(std::span<const std::uint8_t> bytes, unsigned sectorShift) {
    const ByteReader reader(bytes);
    CompoundEntry entry;
    entry.type = static_cast<CompoundEntryType>(reader.U8(0x42));
    if (entry.type != CompoundEntryType::Storage && entry.type != CompoundEntryType::Stream && entry.type != CompoundEntryType::Root) {
        return std::nullopt;
    }
    // The name's length counts its terminating NUL, in bytes; the field holds 32 characters.
    const std::uint16_t nameBytes = reader.U16(0x40);
    if (nameBytes < 2 || nameBytes > 64 || nameBytes % 2 != 0) return std::nullopt;
    for (std::size_t i = 0; i + 2 < nameBytes; i += 2) entry.name.push_back(static_cast<char16_t>(reader.U16(i)));
    entry.startSector = reader.U32(0x74);
    // Files of 512-byte sectors leave the size's high half undefined.
    entry.size = sectorShift == 9 ? reader.U32(0x78) : reader.U64(0x78);
    return entry;
}

std::optional<CompoundHeader> ReadCompoundHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kCompoundHeaderBytes || !HasBytes(bytes, 0, {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1})) {
        return std::nullopt;
    }
    const ByteReader reader(bytes);
    CompoundHeader header;
    header.sectorShift = reader.U16(0x1E) == 12 ? 12 : 9;
    header.miniSectorShift = reader.U16(0x20);
    header.fatSectors = reader.U32(0x2C);
    header.firstDirectorySector = reader.U32(0x30);
    header.miniStreamCutoff = reader.U32(0x38);
    header.firstMiniFatSector = reader.U32(0x3C);
    header.miniFatSectors = reader.U32(0x40);
    header.firstExtraFatListSector = reader.U32(0x44);
    header.extraFatListSectors = reader.U32(0x48);
    for (std::size_t i = 0; i < header.fatSectorList.size(); ++i) header.fatSectorList[i] = reader.U32(0x4C + 4 * i);
    return header;
}

std::span<const std::uint8_t> CompoundFile::Sector(std::uint32_t sector) const {
    if (sector > kLastRegularSector) return {};
    const std::uint64_t offset = header_.SectorOffset(sector);
    if (offset > bytes_.size()) return {};
    return ByteReader(bytes_).Bytes(static_cast<std::size_t>(offset), header_.SectorBytes());
}

std::optional<std::uint32_t> CompoundFile::NextSector(std::uint32_t sector) const {
    const std::size_t perFatSector = header_.SectorBytes() / 4;
    const std::size_t fatIndex = sector / perFatSector;
    // Files large enough to need FAT sectors beyond the header's list lie beyond the buffer anyway.
    if (fatIndex >= header_.fatSectorList.size()) return std::nullopt;
    const std::span<const std::uint8_t> fat = Sector(header_.fatSectorList[fatIndex]);
    if (fat.empty()) return std::nullopt;
    return ByteReader(fat).U32(sector % perFatSector * 4);
}

std::vector<std::uint8_t> CompoundFile::ChainBytes(std::uint32_t first, std::uint64_t limit) const {
    std::vector<std::uint8_t> bytes;
    // A chain visits each sector of the buffer at most once; more steps mean a loop.
    const std::size_t maxSteps = bytes_.size() / header_.SectorBytes();
    std::optional<std::uint32_t> sector = first;
    for (std::size_t step = 0; sector && bytes.size() < limit && step < maxSteps; ++step) {
        const std::span<const std::uint8_t> data = Sector(*sector);
        if (data.empty()) break;
        bytes.insert(bytes.end(), data.begin(), data.end());
        sector = NextSector(*sector);
    }
    if (bytes.size() > limit) bytes.resize(static_cast<std::size_t>(limit));
    return bytes;
}

std::vector<CompoundEntry> CompoundFile::Directory() const {
    const std::vector<std::uint8_t> bytes = ChainBytes(header_.firstDirectorySector, bytes_.size());
    std::vector<CompoundEntry> entries;
    for (std::size_t at = 0; at + kCompoundEntryBytes <= bytes.size(); at += kCompoundEntryBytes) {
        if (std::optional<CompoundEntry> entry = ReadCompoundEntry(std::span(bytes).subspan(at, kCompoundEntryBytes), header_.sectorShift)) {
            entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

std::vector<std::uint8_t> CompoundFile::Stream(const CompoundEntry& stream, const std::vector<CompoundEntry>& directory) const {
    if (stream.size >= header_.miniStreamCutoff || stream.type == CompoundEntryType::Root) {
        return ChainBytes(stream.startSector, stream.size);
    }
    // Small streams lie in the mini stream, the root entry's chain, cut in mini sectors that the
    // mini FAT chains.
    const auto root = std::find_if(directory.begin(), directory.end(), [](const CompoundEntry& e) { return e.type == CompoundEntryType::Root; });
    if (root == directory.end() || header_.miniSectorShift > header_.sectorShift) return {};
    const std::size_t miniBytes = std::size_t{1} << header_.miniSectorShift;
    // The mini stream's last mini sector is read whole even when the root's size ends inside it.
    const std::vector<std::uint8_t> miniStream = ChainBytes(root->startSector, root->size + miniBytes - 1);
    const std::vector<std::uint8_t> miniFat =
        ChainBytes(header_.firstMiniFatSector, std::uint64_t{header_.miniFatSectors} * header_.SectorBytes());
    const ByteReader streamReader(miniStream);
    const ByteReader fatReader(miniFat);
    std::vector<std::uint8_t> bytes;
    std::uint32_t sector = stream.startSector;
    for (std::size_t step = 0; bytes.size() < stream.size && step <= miniStream.size() / miniBytes; ++step) {
        const std::span<const std::uint8_t> data = streamReader.Bytes(std::size_t{sector} * miniBytes, miniBytes);
        if (data.empty() || !fatReader.Has(std::size_t{sector} * 4, 4)) break;
        bytes.insert(bytes.end(), data.begin(), data.end());
        sector = fatReader.U32(std::size_t{sector} * 4);
    }
    if (bytes.size() > stream.size) bytes.resize(static_cast<std::size_t>(stream.size));
    return bytes;
}

std::u16string CompoundFile::Title(const std::vector<CompoundEntry>& directory) const {
    for (const CompoundEntry& entry : directory) {
        if (entry.type != CompoundEntryType::Stream || entry.name != kSummaryInformation) continue;
        return ReadSummaryTitle(Stream(entry, directory)).value_or(std::u16string());
    }
    return {};
}

bool HasStream(const std::vector<CompoundEntry>& directory, std::u16string_view name) {
    return std::any_of(directory.begin(), directory.end(),
                       [name](const CompoundEntry& e) { return e.type == CompoundEntryType::Stream && e.name == name; });
}

std::optional<std::u16string> ReadSummaryTitle(std::span<const std::uint8_t> propertySet) {
    const ByteReader set(propertySet);
    if (set.U16(0) != 0xFFFE || set.U32(24) == 0) return std::nullopt;
    // The first section: offset after its format id; it opens with its size and property count.
    const std::uint32_t sectionAt = set.U32(44);
    if (!set.Has(sectionAt, 8)) return std::nullopt;
    const ByteReader section(propertySet.subspan(sectionAt, std::min<std::size_t>(set.U32(sectionAt), propertySet.size() - sectionAt)));
    const std::size_t count = std::min<std::size_t>(section.U32(4), section.size() / 8);
    std::optional<std::uint32_t> titleAt;
    std::uint16_t codePage = 1252;
    for (std::size_t i = 0; i < count && section.Has(8 + 8 * i, 8); ++i) {
        const std::uint32_t id = section.U32(8 + 8 * i);
        const std::uint32_t at = section.U32(12 + 8 * i);
        if (id == kTitleProperty) titleAt = at;
        if (id == kCodePageProperty && section.U32(at) == kTypeI2) codePage = section.U16(at + std::size_t{4});
    }
    if (!titleAt || !section.Has(*titleAt, 8)) return std::nullopt;
    const std::uint32_t type = section.U32(*titleAt);
    const std::size_t length = section.U32(*titleAt + std::size_t{4});
    const std::size_t textAt = *titleAt + std::size_t{8};
    if (type == kTypeLpwstr || (type == kTypeLpstr && codePage == kCodePageUtf16)) {
        const std::size_t bytes = type == kTypeLpwstr ? 2 * length : length;
        if (!section.Has(textAt, bytes)) return std::nullopt;
        return Utf16Text(section.Bytes(textAt, bytes));
    }
    if (type != kTypeLpstr || !section.Has(textAt, length)) return std::nullopt;
    std::span<const std::uint8_t> text = section.Bytes(textAt, length);
    text = text.first(static_cast<std::size_t>(std::find(text.begin(), text.end(), 0) - text.begin()));
    return DecodeCodePage(text, codePage);
}

}  // namespace tundrel
