// WAVE audio: a RIFF form "WAVE" whose first chunk is "fmt ".
#include "carve/first_block_recognizer.h"

namespace tundrel {
namespace {
std::optional<std::uint64_t> WavLength(std::span<const std::uint8_t> block) { return RiffFormLength(block, "WAVEfmt"); }
}  // namespace

std::unique_ptr<Recognizer> MakeWavRecognizer() { return MakeFirstBlockRecognizer(WavLength, RiffKey(), u"WAVE ", u".wav"); }

}  // namespace tundrel
