// Run lists: decoding and measuring arbitrary mapping-pair bytes.
//
// Input: two bytes of limit (little-endian), then the run bytes.

#include <cstddef>
#include <cstdint>
#include <span>

#include "ntfs/data_runs.h"

using namespace tundrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t limit = data[0] | (data[1] << 8);
    const std::span<const std::uint8_t> bytes(data + 2, size - 2);
    MftRunList runs;
    DecodeRunList(bytes, runs, limit);
    // Every run takes at least two bytes.
    if (runs.size() > bytes.size() / 2) __builtin_trap();
    if (RunListLength(bytes, limit) > std::min(limit, bytes.size())) __builtin_trap();
    FirstRunClusterUnsigned(bytes);
    return 0;
}
