// Flash movies, plain ("FWS") or compressed ("CWS"): the header's u32 at 4 is the length of
// the whole movie (uncompressed, for CWS).
#include "carve/first_block_recognizer.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kShortestSwf = 32;
constexpr std::uint64_t kLongestSwf = 30 * 1024 * 1024;

std::optional<std::uint64_t> SwfLength(std::span<const std::uint8_t> block) {
    if (!HasTextAt(block, 0, "FWS") && !HasTextAt(block, 0, "CWS")) return std::nullopt;
    const std::uint64_t length = ByteReader(block).U32(4);
    if (length <= kShortestSwf || length >= kLongestSwf) return std::nullopt;
    return length;
}

}  // namespace

std::unique_ptr<Recognizer> MakeSwfRecognizer() {
    return MakeFirstBlockRecognizer(SwfLength, StartKey::At(1, {'W'}), u"SWF ", u".swf");
}

}  // namespace tundrel
