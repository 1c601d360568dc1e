#include "exfat/exfat_entry_set.h"

#include <unicode/uchar.h>

namespace tundrel {
namespace {

std::uint16_t RotateAdd(std::uint16_t sum, std::uint8_t byte) {
    return static_cast<std::uint16_t>(((sum & 1) != 0 ? 0x8000 : 0) + (sum >> 1) + byte);
}

// The type byte the entry had while its set was in use.
std::uint8_t TypeInUse(std::size_t index, std::uint8_t type, bool deletedSet) {
    if (!deletedSet) return type;
    return index == 0 ? exfat_type::kFile : static_cast<std::uint8_t>(type | exfat_type::kInUse);
}

char16_t UpperUnit(char16_t unit) {
    const UChar32 upper = u_toupper(unit);
    return upper <= 0xFFFF ? static_cast<char16_t>(upper) : unit;
}

}  // namespace

std::span<const std::uint8_t> ExFatEntryAt(std::span<const std::uint8_t> directory, std::size_t index) {
    if (index >= directory.size() / kExFatEntryBytes) return {};
    return directory.subspan(index * kExFatEntryBytes, kExFatEntryBytes);
}

std::uint16_t EntrySetChecksum(std::span<const std::uint8_t> set) {
    const bool deletedSet = !set.empty() && !IsInUse(set[0]);
    std::uint16_t sum = 0;
    for (std::size_t at = 0; at < set.size(); ++at) {
        if (at == exfat_field::kSetChecksum || at == exfat_field::kSetChecksum + 1) continue;
        const bool typeByte = at % kExFatEntryBytes == exfat_field::kType;
        sum = RotateAdd(sum, typeByte ? TypeInUse(at / kExFatEntryBytes, set[at], deletedSet) : set[at]);
    }
    return sum;
}

std::optional<std::uint16_t> NameHash(std::u16string_view name) {
    if (name.empty()) return std::nullopt;
    std::uint16_t hash = 0;
    for (const char16_t unit : name) {
        const char16_t upper = UpperUnit(unit);
        hash = RotateAdd(hash, static_cast<std::uint8_t>(upper & 0xFF));
        hash = RotateAdd(hash, static_cast<std::uint8_t>(upper >> 8));
    }
    return hash;
}

}  // namespace tundrel
