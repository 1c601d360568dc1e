#include "exfat/exfat_valid_length.h"

namespace tundrel {

void KeepValidLength(ScanNode& node, std::uint64_t validLength) {
    const bool shorter = validLength < node.size;
    node.Set(kFlagValidLength, shorter);
    node.recordNumber = shorter ? static_cast<std::uint32_t>(validLength >> 32) : 0;
    node.extra = shorter ? static_cast<std::uint32_t>(validLength) : 0;
}

std::optional<std::uint64_t> ValidLengthOf(const ScanNode& node) {
    if (!node.Has(kFlagValidLength)) return std::nullopt;
    return (std::uint64_t{node.recordNumber} << 32) | node.extra;
}

}  // namespace tundrel
