// Nikon raw photos, taken to be any TIFF header of either byte order.
#include "carve/first_block_recognizer.h"

namespace tundrel {
namespace {
std::optional<std::uint64_t> NefLength(std::span<const std::uint8_t> block) {
    using namespace std::string_view_literals;
    if (!HasTextAt(block, 0, "II\x2A\x00"sv) && !HasTextAt(block, 0, "MM\x00\x2A"sv)) return std::nullopt;
    return kRawPhotoBytes;
}
}  // namespace

std::unique_ptr<Recognizer> MakeNefRecognizer() {
    return MakeFirstBlockRecognizer(NefLength, StartKey::At(0, {'I', 'M'}), u"RAW Picture ", u".nef");
}

}  // namespace tundrel
