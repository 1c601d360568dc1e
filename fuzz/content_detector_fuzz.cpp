// Both content detectors over arbitrary bytes: the first-bytes detector over the input, and the
// deep detector reading the input as a file, once at its own size and once told it is longer
// than the bytes there are. Reads may never go past the deep detector's bound, and every answer
// is a lower-case extension or "unknown".

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
    const FileBytesReader read = [bytes](std::uint64_t offset, std::span<std::uint8_t> buffer) {
        if (offset + buffer.size() > kDeepDetectBytes) {
            std::fprintf(stderr, "read past the bound\n");
            std::abort();
        }
        if (offset > bytes.size() || buffer.size() > bytes.size() - offset) return false;
        std::memcpy(buffer.data(), bytes.data() + offset, buffer.size());
        return true;
    };
    Check(DetectContentTypeDeep(read, size));
    Check(DetectContentTypeDeep(read, std::uint64_t{size} * 4 + 512));
    return 0;
}
