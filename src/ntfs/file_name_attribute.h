#pragma once
// $FILE_NAME: a record's name, its parent directory and a second set of time stamps.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "ntfs/mft_attribute.h"
#include "scan/scan_node.h"

namespace tundrel {

enum FileNameSpace : std::uint8_t {
    kNamespacePosix = 0,
    kNamespaceWin32 = 1,
    kNamespaceDos = 2,  // the 8.3 alias of a long name: never the name shown
    kNamespaceWin32AndDos = 3,
};

struct FileName {
    std::uint32_t parentRecord = 0;  // the low half of the parent reference
    std::uint64_t created = 0;
    std::uint64_t modified = 0;
    std::uint64_t accessed = 0;
    std::uint8_t nameSpace = 0;
    std::u16string name;
};

// The value is taken at attribute offset 0x18; nothing when the name the attribute
// announces does not fit inside it.
std::optional<FileName> ReadFileName(const MftAttribute& attribute);
// The same from the value alone (as index entries carry it as their key).
std::optional<FileName> ReadFileNameValue(std::span<const std::uint8_t> value);

// Fills the node's empty time slots: created, last access as modified, and modified as the
// access date.
void FillTimes(ScanNode& node, const FileName& fileName);

}  // namespace tundrel
