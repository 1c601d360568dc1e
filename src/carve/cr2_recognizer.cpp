// Canon raw photos: a little-endian TIFF header with "CR" at 8. Also found as NEF, whose test
// takes any TIFF header.
#include "carve/first_block_recognizer.h"

namespace tundrel {
namespace {
std::optional<std::uint64_t> Cr2Length(std::span<const std::uint8_t> block) {
    if (!HasTextAt(block, 0, "II") || !HasTextAt(block, 8, "CR")) return std::nullopt;
    return kRawPhotoBytes;
}
}  // namespace

std::unique_ptr<Recognizer> MakeCr2Recognizer() {
    return MakeFirstBlockRecognizer(Cr2Length, StartKey::At(8, {'C'}), u"RAW Picture ", u".cr2");
}

}  // namespace tundrel
