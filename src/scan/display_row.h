#pragma once
// The texts of one node's row in the result list.

#include <cstdint>
#include <string>

#include "scan/scan_node.h"

namespace tundrel {

enum class CheckImage : int { Unchecked = 1, Checked = 2, PartlyChecked = 3 };

template <typename Text>
struct BasicDisplayRow {
    Text name;
    Text size;
    Text created;     // date and time
    Text modified;    // date and time
    Text accessed;    // date only
    Text attributes;  // letters such as "a h r "
    Text location;    // display path
    CheckImage checkImage = CheckImage::Unchecked;
};

using DisplayRow = BasicDisplayRow<std::string>;       // UTF-8
using DisplayRow16 = BasicDisplayRow<std::u16string>;  // UTF-16

DisplayRow MakeDisplayRow(const ScanNode& node);
DisplayRow16 MakeDisplayRow16(const ScanNode& node);

// The attribute letters, each followed by a space, in the order a b c d e h r s.
std::string AttributeLetters(std::uint32_t flags);
CheckImage CheckImageOf(std::uint32_t flags);

}  // namespace tundrel
