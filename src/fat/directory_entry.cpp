#include "fat/directory_entry.h"

#include <algorithm>
#include <string_view>

#include "disk/fs_type.h"
#include "fat/directory_block.h"
#include "support/byte_reader.h"
#include "support/display_format.h"

namespace tundrel {
namespace {

bool NameBytesEqual(EntryBytes entry, std::size_t count, std::string_view text) {
    if (entry.size() < count) return false;
    return std::equal(text.begin(), text.end(), entry.begin(), entry.begin() + count);
}

}  // namespace

bool IsFreedMark(std::uint8_t firstByte) { return firstByte == 0xE5 || firstByte == 0x05 || firstByte == 0xEB; }

bool CannotBeDeletedFile(EntryBytes entry, std::uint32_t fsType) {
    const ByteReader r(entry);
    const std::uint8_t attributes = r.U8(entry_field::kAttributes);
    const auto name = r.Bytes(1, kShortNameBytes - 1);
    const bool lostLongName = attributes == 0 && r.U16(entry_field::kClusterLow) == 0 &&
                              std::find(name.begin(), name.end(), 0) != name.end();
    const bool dataOutsideArea = (attributes & kAttrDirectory) == 0 && r.U32(entry_field::kSize) != 0 &&
                                 EntryFirstCluster(entry, fsType) < 2;
    return lostLongName || dataOutsideArea;
}

EntryBytes EntryAt(std::span<const std::uint8_t> directory, std::size_t index) {
    return ByteReader(directory).Bytes(index * kFatEntryBytes, kFatEntryBytes);
}

bool IsAllZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

bool IsAllSpaces(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == ' '; });
}

bool IsDotEntryName(EntryBytes entry) {
    return NameBytesEqual(entry, kShortNameBytes, ".          ") ||
           NameBytesEqual(entry, kShortNameBytes, "..         ");
}

bool BeginsWithDotEntries(std::span<const std::uint8_t> directory) {
    return NameBytesEqual(EntryAt(directory, 0), 8, ".       ") && NameBytesEqual(EntryAt(directory, 1), 8, "..      ");
}

std::uint8_t ShortNameChecksum(EntryBytes entry) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < kShortNameBytes && i < entry.size(); ++i) {
        sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + entry[i]);
    }
    return sum;
}

std::uint32_t EntryFirstCluster(EntryBytes entry, std::uint32_t fsType) {
    const ByteReader r(entry);
    const std::uint32_t low = r.U16(entry_field::kClusterLow);
    if (fsType == kFsFat16) return low;
    return (std::uint32_t{r.U16(entry_field::kClusterHigh)} << 16) | low;
}

std::uint32_t PackedFatTime(std::uint16_t fatTime, std::uint8_t tenMilliseconds) {
    const int seconds = 2 * (fatTime & 31) + (tenMilliseconds >= 100 ? 1 : 0);
    return PackTime(fatTime >> 11, (fatTime >> 5) & 63, seconds);
}

void LongNameChars(EntryBytes entry, char16_t (&chars)[kLongNameCharsPerEntry]) {
    static constexpr std::size_t kCharOffsets[kLongNameCharsPerEntry] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    const ByteReader r(entry);
    for (std::size_t i = 0; i < kLongNameCharsPerEntry; ++i) chars[i] = static_cast<char16_t>(r.U16(kCharOffsets[i]));
}

}  // namespace tundrel
