// Both content detectors over arbitrary bytes: the first-bytes detector over the input, and the
// deep detector reading the input as a file, once as it is and once as the start and the end
// of a file longer than the bound. The deep detector may read no more than its bound, and every answer
// is a lower-case extension or "unknown".

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "carve/content_detector.h"

using namespace tundrel;

namespace {

void Check(const std::string& type) {
    for (char c : type) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
            std::fprintf(stderr, "not an extension: %s\n", type.c_str());
            std::abort();
        }
    }
    if (type.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    Check(DetectContentType(bytes));
    // The file is the input, or the input, zeros up to three times the bound, and the input
    // again at the end, where a ZIP package's end record and central directory are looked for.
    const std::uint64_t longSize = std::max<std::uint64_t>(3 * kDeepDetectBytes, 2 * std::uint64_t{size});
    for (const std::uint64_t fileSize : {std::uint64_t{size}, longSize}) {
        std::uint64_t asked = 0;
        const FileBytesReader read = [bytes, fileSize, &asked](std::uint64_t offset, std::span<std::uint8_t> buffer) {
            asked += buffer.size();
            if (offset > fileSize || buffer.size() > fileSize - offset) return false;
            std::ranges::fill(buffer, std::uint8_t{0});
            // Each copy of the input put where it overlaps the buffer.
            for (const std::uint64_t copyAt : {std::uint64_t{0}, fileSize - bytes.size()}) {
                const std::uint64_t from = std::max(offset, copyAt);
                const std::uint64_t to = std::min(offset + buffer.size(), copyAt + bytes.size());
                if (from < to) std::memcpy(buffer.data() + (from - offset), bytes.data() + (from - copyAt), to - from);
            }
            return true;
        };
        Check(DetectContentTypeDeep(read, fileSize));
        if (asked > 2 * kDeepDetectBytes) {
            std::fprintf(stderr, "read past the bound\n");
            std::abort();
        }
    }
    return 0;
}
