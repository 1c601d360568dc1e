// Windows bitmaps: "BM", the file's length at 2 and two reserved words that are zero.
#include "carve/first_block_recognizer.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

// Bitmaps this large are taken for chance matches of the two letters.
constexpr std::uint64_t kLongestBitmap = 51'200'000;

std::optional<std::uint64_t> BmpLength(std::span<const std::uint8_t> block) {
    const ByteReader reader(block);
    if (!HasTextAt(block, 0, "BM") || reader.U16(6) != 0 || reader.U16(8) != 0) return std::nullopt;
    const std::uint64_t length = reader.U32(2);
    if ((length & ~std::uint64_t{0x1FF}) >= kLongestBitmap) return std::nullopt;
    return length;
}

}  // namespace

std::unique_ptr<Recognizer> MakeBmpRecognizer() {
    return MakeFirstBlockRecognizer(BmpLength, StartKey::At(0, {'B'}), u"Bitmap ", u".bmp");
}

}  // namespace tundrel
