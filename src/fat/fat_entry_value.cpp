#include "fat/fat_entry_value.h"

namespace tundrel {

std::uint32_t NextClusterOf(std::uint32_t value, FatWidth width) {
    if (width == FatWidth::Fat16) {
        if (value == 0 || value == 0xFBFF || value > 0xFFF0) return 0;
        return value;
    }
    if (value <= 1 || value == 0x0FFFFFF8 || value >= 0x0FFFFFFF) return 0;
    return value;
}

}  // namespace tundrel
