// CorelDRAW drawings: a RIFF form whose text opens "CDr" (the version follows).
#include "carve/first_block_recognizer.h"

namespace tundrel {
namespace {
std::optional<std::uint64_t> CdrLength(std::span<const std::uint8_t> block) { return RiffFormLength(block, "CDr"); }
}  // namespace

std::unique_ptr<Recognizer> MakeCdrRecognizer() { return MakeFirstBlockRecognizer(CdrLength, RiffKey(), u"CDR ", u".cdr"); }

}  // namespace tundrel
