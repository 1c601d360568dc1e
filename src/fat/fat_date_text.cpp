#include "fat/fat_volume_facts.h"
#include "support/display_format.h"
#include "support/text.h"

namespace tundrel {

std::u16string DateText(std::uint16_t fatDate) {
    if (!IsPossibleDate(fatDate)) return {};
    const int year = 1980 + (fatDate >> 9);
    const int month = (fatDate >> 5) & 0x0F;
    const int day = fatDate & 0x1F;
    return ToUtf16(FormatText("%d-%02d-%02d", year, month, day));
}

}  // namespace tundrel
