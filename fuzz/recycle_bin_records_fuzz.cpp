// The recycle bin's record readers: the INFO2 index and the "$I" file, over the same bytes.
//
// Input: the bytes of an INFO2 or "$I" file. Every path either reader gives must be one the
// recycle-bin pass may place: a drive root and safe components only.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/ansi_code_page.h"
#include "scan/recycle_bin_records.h"

using namespace tundrel;

namespace {

void CheckPath(std::u16string_view path) {
    if (path.size() < 3 || path[1] != u':' || path[2] != u'\\' || !HasSafeComponents(path)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span bytes(data, size);
    static AnsiCodePage codePage("CP932");
    for (const auto& [number, path] : ReadInfo2Paths(bytes, codePage)) {
        // A record numbered 0 takes the previous number + 1, so each record may go one past.
        if (number > kLargestInfo2Number + size / 800) __builtin_trap();
        CheckPath(path);
    }
    if (const auto path = ReadRecycledItemPath(bytes)) CheckPath(*path);
    return 0;
}
