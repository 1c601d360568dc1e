// One MFT record through the summary parse and the placement probe.
//
// Input: one control byte, then the record (cut or zero-padded to 1024 bytes). Control bit
// 0x01 gives the parse a second kilobyte after the record, as read buffers have; without it
// the record is exactly 1024 bytes long. Bit 0x02 asks the probe for its cluster hints.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ntfs/mft_record_parse.h"
#include "ntfs/mft_record_probe.h"
#include "scan/name_pool.h"

using namespace tundrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t control = data[0];
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    std::vector<std::uint8_t> record((control & 0x01) != 0 ? 2048 : 1024, 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), record.size()), record.begin());
    std::vector<std::uint8_t> probed = record;

    NamePool names;
    ScanNode node;
    ParseMftRecord(record, node, names);
    if (node.name != nullptr && std::char_traits<char16_t>::length(node.name) > 255) __builtin_trap();
    if (node.Has(kFlagPruned) || node.Has(kFlagChecked)) __builtin_trap();

    const bool hints = (control & 0x02) != 0;
    ProbeMftRecord(probed, {hints, hints});
    return 0;
}
