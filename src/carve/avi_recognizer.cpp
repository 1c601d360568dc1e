// AVI video: a RIFF form "AVI " whose first chunk is a LIST.
#include "carve/first_block_recognizer.h"

namespace tundrel {
namespace {
std::optional<std::uint64_t> AviLength(std::span<const std::uint8_t> block) { return RiffFormLength(block, "AVI LIST"); }
}  // namespace

std::unique_ptr<Recognizer> MakeAviRecognizer() { return MakeFirstBlockRecognizer(AviLength, RiffKey(), u"AVI ", u".avi"); }

}  // namespace tundrel
