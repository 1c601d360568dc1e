// Olympus raw photos: "IIRO", the format's own TIFF byte-order mark.
#include "carve/first_block_recognizer.h"

namespace tundrel {
namespace {
std::optional<std::uint64_t> OrfLength(std::span<const std::uint8_t> block) {
    if (!HasTextAt(block, 0, "IIRO")) return std::nullopt;
    return kRawPhotoBytes;
}
}  // namespace

std::unique_ptr<Recognizer> MakeOrfRecognizer() {
    return MakeFirstBlockRecognizer(OrfLength, StartKey::At(2, {'R'}), u"RAW Picture ", u".orf");
}

}  // namespace tundrel
