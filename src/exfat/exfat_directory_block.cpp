#include "exfat/exfat_directory_block.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

#include "exfat/exfat_entry_set.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

// The entry set being read: where it began, how many entries follow its file entry, and
// what its stream entry says about the name.
struct SetUnderTest {
    std::size_t start = 0;
    std::size_t secondaryCount = 0;
    bool checksumConfirmed = false;
    std::size_t nameLength = 0;
    std::uint16_t storedHash = 0;
    std::u16string name;

    bool IsStreamAt(std::size_t i) const { return i == start + 1; }
    bool IsNameAt(std::size_t i) const { return i > start + 1 && i <= start + secondaryCount; }
};

// The volume's own entries occur once per directory, and only in the root.
class CriticalEntryCounter {
public:
    // False when an entry of this kind was already seen.
    bool Count(std::uint8_t type) {
        const std::size_t slot = static_cast<std::size_t>(type - exfat_type::kBitmap);
        if (slot >= seen_.size()) return true;
        return !std::exchange(seen_[slot], true);
    }

private:
    std::array<bool, 3> seen_{};  // bitmap, up-case table, volume label
};

}  // namespace

bool IsExFatDirectoryBlock(std::span<const std::uint8_t> block, std::size_t entryCount) {
    const std::size_t count = std::min(entryCount, block.size() / kExFatEntryBytes);
    std::optional<SetUnderTest> set;
    CriticalEntryCounter critical;
    for (std::size_t i = 0; i < count; ++i) {
        const ByteReader entry(ExFatEntryAt(block, i));
        const std::uint8_t type = entry.U8(exfat_field::kType);
        if (IsFileEntryType(type)) {
            set.emplace();
            set->start = i;
            set->secondaryCount = entry.U8(exfat_field::kSecondaryCount);
            if (i + set->secondaryCount < count) {
                const auto bytes = block.subspan(i * kExFatEntryBytes, (set->secondaryCount + 1) * kExFatEntryBytes);
                if (EntrySetChecksum(bytes) != entry.U16(exfat_field::kSetChecksum)) return false;
                set->checksumConfirmed = true;
            }
            continue;
        }
        if (set && IsStreamEntryType(type) && set->IsStreamAt(i)) {
            set->nameLength = entry.U8(exfat_field::kNameLength);
            set->storedHash = entry.U16(exfat_field::kNameHash);
            continue;
        }
        if (set && IsNameEntryType(type) && set->IsNameAt(i)) {
            for (std::size_t c = 0; c < kExFatNameCharsPerEntry && set->name.size() < set->nameLength; ++c) {
                set->name.push_back(static_cast<char16_t>(entry.U16(exfat_field::kNameChars + 2 * c)));
            }
            if (i == set->start + set->secondaryCount) {
                if (NameHash(set->name) != set->storedHash) return false;
                if (set->checksumConfirmed) return true;
            }
            continue;
        }
        if (!critical.Count(type)) return false;
    }
    return false;
}

}  // namespace tundrel
