// The LZNT1 decoder over arbitrary compressed units.
//
// Input: one byte choosing the output capacity (its value + 1, times 512 bytes), then the
// compressed bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ntfs/lznt1.h"

using namespace tundrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::vector<std::uint8_t> output((std::size_t{data[0]} + 1) * 512);
    std::size_t produced = 0;
    DecodeLznt1(std::span(data + 1, size - 1), output, produced);
    if (produced > output.size()) __builtin_trap();
    return 0;
}
